// Direct3D's fixed-function pipeline as generated GLSL: a zeroed key of the states that change
// the shader picks a program from a cache, compiling one only on a miss. Values that do not
// change the shader (matrices, lights, material, alpha reference) travel as uniforms.
#pragma once

#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/render/d3d9types.h"

// The texture stages the generated program blends; Direct3D's further stages are not drawn.
constexpr int kFFStages = 2;

// One texture stage as the program computes it: its D3DTSS_ operations and arguments (arg0
// only for the operations that read a third argument), where its result goes, and whether a
// texture of this backend is bound to it. Every stage reads the first set of texture
// coordinates, the only set the vertex layout carries.
struct FFStage {
  std::uint8_t colorOp = 0;
  std::uint8_t colorArg0 = 0;
  std::uint8_t colorArg1 = 0;
  std::uint8_t colorArg2 = 0;
  std::uint8_t alphaOp = 0;
  std::uint8_t alphaArg0 = 0;
  std::uint8_t alphaArg1 = 0;
  std::uint8_t alphaArg2 = 0;
  std::uint8_t resultTemp = 0;  // D3DTSS_RESULTARG is D3DTA_TEMP (else the current colour)
  std::uint8_t textured = 0;
};

// Compared bytewise and hashed; build it zeroed (FFKey key{}) so padding never differs.
struct FFKey {
  std::uint8_t pretransformed = 0;  // FVF position XYZRHW: pixels, no transform, no lighting
  std::uint8_t hasNormal = 0;       // FVF NORMAL
  std::uint8_t hasDiffuse = 0;      // FVF DIFFUSE
  std::uint8_t hasSpecular = 0;     // FVF SPECULAR
  std::uint8_t hasTexCoord = 0;     // FVF TEXCOUNT >= 1
  std::uint8_t lighting = 0;        // D3DRS_LIGHTING (and not pretransformed)
  std::uint8_t lightCount = 0;      // enabled lights, at most 8 (LightEnable)
  std::uint8_t specular = 0;        // D3DRS_SPECULARENABLE
  std::uint8_t localViewer = 0;     // D3DRS_LOCALVIEWER
  std::uint8_t normalize = 0;       // D3DRS_NORMALIZENORMALS
  // D3DRS_*MATERIALSOURCE, resolved against D3DRS_COLORVERTEX and the colours the vertex has:
  // a D3DMCS_ value, D3DMCS_MATERIAL when the vertex lacks that colour.
  std::uint8_t diffuseSource = 0;
  std::uint8_t ambientSource = 0;
  std::uint8_t specularSource = 0;
  std::uint8_t emissiveSource = 0;
  // The stages up to the first whose colour operation is disabled (stage 0 disabled draws the
  // diffuse colour); the stages after it stay zeroed.
  FFStage stages[kFFStages] = {};
  std::uint8_t alphaFunc = 0;  // D3DRS_ALPHAFUNC when D3DRS_ALPHATESTENABLE, else 0
  std::uint8_t flatShade = 0;  // D3DRS_SHADEMODE flat

  bool operator==(const FFKey& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

struct FFKeyHash {
  std::size_t operator()(const FFKey& k) const {
    std::size_t h = 1469598103934665603ull;
    const auto* p = reinterpret_cast<const unsigned char*>(&k);
    for (std::size_t i = 0; i < sizeof k; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
  }
};

// Vertex attribute locations shared by every generated program.
enum FFAttribute : GLuint {
  kAttrPosition = 0,
  kAttrNormal = 1,
  kAttrDiffuse = 2,
  kAttrSpecular = 3,
  kAttrTexCoord = 4,
};

struct FFProgram {
  GLuint id = 0;
  GLint world = -1, view = -1, proj = -1, normalMatrix = -1, viewport = -1;
  GLint matDiffuse = -1, matAmbient = -1, matSpecular = -1, matEmissive = -1, matPower = -1;
  GLint ambient = -1, tfactor = -1, alphaRef = -1, texture[kFFStages] = {-1, -1};
  GLint lightType = -1, lightPosition = -1, lightDirection = -1, lightDiffuse = -1,
        lightSpecular = -1, lightAmbient = -1, lightAttenuation = -1, lightSpot = -1;
  // Versions of the device's uniform groups last uploaded to this program.
  std::uint64_t transformVersion = 0, materialVersion = 0, lightVersion = 0, miscVersion = 0;
};

class GLFixedFunction {
 public:
  GLFixedFunction(QOpenGLFunctions_3_3_Core* gl, QOpenGLContext* context)
      : gl_(gl), context_(context) {}
  ~GLFixedFunction();
  // The program for a key, compiled on first use; null if the driver rejects it.
  FFProgram* Program(const FFKey& key);
  std::size_t CachedPrograms() const { return cache_.size(); }
  static std::string VertexSource(const FFKey& key);
  static std::string FragmentSource(const FFKey& key);

 private:
  QOpenGLFunctions_3_3_Core* gl_;
  QOpenGLContext* context_;
  std::unordered_map<FFKey, std::unique_ptr<FFProgram>, FFKeyHash> cache_;
};

// Compiles and links a vertex/fragment pair with the attribute locations above; 0 on failure
// (the log goes to stderr, naming the stage).
GLuint LinkProgram(QOpenGLFunctions_3_3_Core* gl, const std::string& vs, const std::string& fs);
