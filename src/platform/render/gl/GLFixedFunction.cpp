#include "platform/render/gl/GLFixedFunction.h"

#include <QOpenGLContext>
#include <cstdio>
#include <vector>

namespace {

std::string Defines(const FFKey& k) {
  std::string s = "#version 330 core\n";
  auto def = [&](const char* name, int value) {
    s += "#define ";
    s += name;
    s += ' ';
    s += std::to_string(value);
    s += '\n';
  };
  def("PRETRANSFORMED", k.pretransformed);
  def("HAS_NORMAL", k.hasNormal);
  def("HAS_DIFFUSE", k.hasDiffuse);
  def("HAS_SPECULAR", k.hasSpecular);
  def("HAS_TEXCOORD", k.hasTexCoord);
  def("LIGHTING", k.lighting);
  def("LIGHT_COUNT", k.lightCount);
  def("SPECULAR", k.specular);
  def("LOCAL_VIEWER", k.localViewer);
  def("NORMALIZE", k.normalize);
  s += k.flatShade ? "#define SHADE flat\n" : "#define SHADE smooth\n";
  return s;
}

// A material colour from its resolved source.
const char* Source(std::uint8_t source, const char* material) {
  switch (source) {
    case D3DMCS_COLOR1:
      return "a_diffuse";
    case D3DMCS_COLOR2:
      return "a_specular";
    default:
      return material;
  }
}

// A stage argument's value.
std::string Arg(std::uint8_t arg, bool alpha) {
  std::string base;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE:
      base = "diffuse";
      break;
    case D3DTA_CURRENT:
      base = "current";  // the diffuse colour until a stage writes it
      break;
    case D3DTA_TEXTURE:
      base = "tex";
      break;
    case D3DTA_TFACTOR:
      base = "u_tfactor";
      break;
    case D3DTA_SPECULAR:
      base = "v_specular";
      break;
    case D3DTA_TEMP:
      base = "temp";
      break;
    default:
      base = "vec4(1.0)";
      break;
  }
  std::string v = (arg & D3DTA_ALPHAREPLICATE) || alpha ? "(" + base + ").aaaa" : base;
  v = alpha ? "(" + v + ").a" : "(" + v + ").rgb";
  if (arg & D3DTA_COMPLEMENT) v = "(1.0 - " + v + ")";
  return v;
}

// An operation over its arguments as Direct3D documents it (a0 is D3DTSS_COLORARG0 or
// D3DTSS_ALPHAARG0, read by the triadic operations only).
std::string Op(std::uint8_t op, const std::string& a0, const std::string& a1, const std::string& a2,
               bool alpha) {
  const std::string sel = alpha ? ".a" : ".rgb";
  switch (op) {
    case D3DTOP_SELECTARG1:
      return a1;
    case D3DTOP_SELECTARG2:
      return a2;
    case D3DTOP_MODULATE:
      return a1 + " * " + a2;
    case D3DTOP_MODULATE2X:
      return "clamp(" + a1 + " * " + a2 + " * 2.0, 0.0, 1.0)";
    case D3DTOP_MODULATE4X:
      return "clamp(" + a1 + " * " + a2 + " * 4.0, 0.0, 1.0)";
    case D3DTOP_ADD:
      return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED:
      return a1 + " + " + a2 + " - 0.5";
    case D3DTOP_ADDSIGNED2X:
      return "(" + a1 + " + " + a2 + " - 0.5) * 2.0";
    case D3DTOP_SUBTRACT:
      return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH:
      return a1 + " + " + a2 + " * (1.0 - " + a1 + ")";
    case D3DTOP_BLENDDIFFUSEALPHA:
      return "mix(" + a2 + ", " + a1 + ", diffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA:
      return "mix(" + a2 + ", " + a1 + ", tex.a)";
    case D3DTOP_BLENDFACTORALPHA:
      return "mix(" + a2 + ", " + a1 + ", u_tfactor.a)";
    case D3DTOP_BLENDCURRENTALPHA:
      return "mix(" + a2 + ", " + a1 + ", current.a)";
    case D3DTOP_MULTIPLYADD:
      return a0 + " + " + a1 + " * " + a2;
    case D3DTOP_LERP:
      return a0 + " * " + a1 + " + (1.0 - " + a0 + ") * " + a2;
    case D3DTOP_DISABLE:
      return "current" + sel;
    default:
      return a1 + " * " + a2;  // unsupported operations modulate
  }
}

// One stage's part of the fragment program: it samples its texture and writes its result,
// saturated as the hardware's registers are, to the current colour or the temporary register.
std::string StageSource(const FFStage& st, int index) {
  const std::string i = std::to_string(index);
  std::string s = "  {\n";
  s += st.textured ? "    vec4 tex = texture(u_texture" + i + ", v_texcoord);\n"
                   : "    vec4 tex = vec4(1.0);  // routed away by the key\n";
  s += "    vec3 c = " +
       Op(st.colorOp, Arg(st.colorArg0, false), Arg(st.colorArg1, false), Arg(st.colorArg2, false),
          false) +
       ";\n";
  s += "    float a = " +
       Op(st.alphaOp, Arg(st.alphaArg0, true), Arg(st.alphaArg1, true), Arg(st.alphaArg2, true),
          true) +
       ";\n";
  s += std::string("    ") + (st.resultTemp ? "temp" : "current") +
       " = clamp(vec4(c, a), 0.0, 1.0);\n  }\n";
  return s;
}

const char* Compare(std::uint8_t func) {
  switch (func) {
    case D3DCMP_NEVER:
      return "false";
    case D3DCMP_LESS:
      return "a8 < u_alphaRef";
    case D3DCMP_EQUAL:
      return "a8 == u_alphaRef";
    case D3DCMP_LESSEQUAL:
      return "a8 <= u_alphaRef";
    case D3DCMP_GREATER:
      return "a8 > u_alphaRef";
    case D3DCMP_NOTEQUAL:
      return "a8 != u_alphaRef";
    case D3DCMP_GREATEREQUAL:
      return "a8 >= u_alphaRef";
    default:
      return "true";
  }
}

GLuint Compile(QOpenGLFunctions_3_3_Core* gl, GLenum stage, const std::string& source) {
  GLuint shader = gl->glCreateShader(stage);
  const char* text = source.c_str();
  gl->glShaderSource(shader, 1, &text, nullptr);
  gl->glCompileShader(shader);
  GLint ok = 0;
  gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[2048] = {};
    gl->glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "zelmar: the OpenGL driver rejected a generated %s shader: %s\n",
                 stage == GL_VERTEX_SHADER ? "vertex" : "fragment", log);
    gl->glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

GLuint LinkProgram(QOpenGLFunctions_3_3_Core* gl, const std::string& vs, const std::string& fs) {
  const GLuint v = Compile(gl, GL_VERTEX_SHADER, vs);
  const GLuint f = v ? Compile(gl, GL_FRAGMENT_SHADER, fs) : 0;
  if (!v || !f) {
    if (v) gl->glDeleteShader(v);
    return 0;
  }
  const GLuint program = gl->glCreateProgram();
  gl->glAttachShader(program, v);
  gl->glAttachShader(program, f);
  gl->glBindAttribLocation(program, kAttrPosition, "a_position");
  gl->glBindAttribLocation(program, kAttrNormal, "a_normal");
  gl->glBindAttribLocation(program, kAttrDiffuse, "a_diffuse");
  gl->glBindAttribLocation(program, kAttrSpecular, "a_specular");
  gl->glBindAttribLocation(program, kAttrTexCoord, "a_texcoord");
  gl->glLinkProgram(program);
  gl->glDeleteShader(v);
  gl->glDeleteShader(f);
  GLint ok = 0;
  gl->glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[2048] = {};
    gl->glGetProgramInfoLog(program, sizeof log, nullptr, log);
    std::fprintf(stderr, "zelmar: the OpenGL driver could not link a generated program: %s\n", log);
    gl->glDeleteProgram(program);
    return 0;
  }
  return program;
}

std::string GLFixedFunction::VertexSource(const FFKey& k) {
  std::string s = Defines(k);
  s += R"(
in vec4 a_position;
in vec3 a_normal;
in vec4 a_diffuse;
in vec4 a_specular;
in vec2 a_texcoord;
uniform mat4 u_world;
uniform mat4 u_view;
uniform mat4 u_proj;
uniform mat3 u_normalMatrix;
uniform vec4 u_viewport;
uniform vec4 u_matDiffuse;
uniform vec4 u_matAmbient;
uniform vec4 u_matSpecular;
uniform vec4 u_matEmissive;
uniform float u_matPower;
uniform vec4 u_ambient;
uniform int u_lightType[8];
uniform vec3 u_lightPosition[8];
uniform vec3 u_lightDirection[8];
uniform vec4 u_lightDiffuse[8];
uniform vec4 u_lightSpecular[8];
uniform vec4 u_lightAmbient[8];
uniform vec4 u_lightAttenuation[8];
uniform vec3 u_lightSpot[8];
SHADE out vec4 v_diffuse;
SHADE out vec4 v_specular;
out vec2 v_texcoord;

void main() {
#if PRETRANSFORMED
  // Pixels with Direct3D's integer pixel centres (GL's sit at +0.5); w = 1/rhw keeps
  // texturing perspective-correct.
  float w = a_position.w != 0.0 ? 1.0 / a_position.w : 1.0;
  vec2 ndc = (a_position.xy + 0.5 - u_viewport.xy) / u_viewport.zw * 2.0 - 1.0;
  gl_Position = vec4(ndc * w, (a_position.z * 2.0 - 1.0) * w, w);
#else
  // Row-vector matrices uploaded untransposed read as column-vector ones: M * v is v * M.
  vec4 viewPos = u_view * (u_world * vec4(a_position.xyz, 1.0));
  vec4 clip = u_proj * viewPos;
  // Direct3D's half-pixel offset; y flipped because the back buffer is stored top row first
  // (which also reverses the winding); depth from 0..w to GL's -w..w.
  clip.x += clip.w / u_viewport.z;
  clip.y = -clip.y + clip.w / u_viewport.w;
  clip.z = 2.0 * clip.z - clip.w;
  gl_Position = clip;
#endif
#if HAS_TEXCOORD
  v_texcoord = a_texcoord;
#else
  v_texcoord = vec2(0.0);
#endif
#if PRETRANSFORMED || !LIGHTING
#if HAS_DIFFUSE
  v_diffuse = a_diffuse;
#else
  v_diffuse = vec4(1.0);
#endif
#if HAS_SPECULAR
  v_specular = a_specular;
#else
  v_specular = vec4(0.0);
#endif
#else
)";
  s += std::string("  vec4 Cd = ") + Source(k.diffuseSource, "u_matDiffuse") + ";\n";
  s += std::string("  vec4 Ca = ") + Source(k.ambientSource, "u_matAmbient") + ";\n";
  s += std::string("  vec4 Cs = ") + Source(k.specularSource, "u_matSpecular") + ";\n";
  s += std::string("  vec4 Ce = ") + Source(k.emissiveSource, "u_matEmissive") + ";\n";
  s += R"(
#if HAS_NORMAL
  vec3 N = u_normalMatrix * a_normal;
#else
  vec3 N = vec3(0.0);
#endif
#if NORMALIZE
  if (dot(N, N) > 0.0) N = normalize(N);
#endif
  vec3 P = viewPos.xyz;
#if LOCAL_VIEWER
  vec3 V = normalize(-P);
#else
  vec3 V = vec3(0.0, 0.0, -1.0);
#endif
  vec3 amb = vec3(0.0);
  vec3 dif = vec3(0.0);
  vec3 spe = vec3(0.0);
  for (int i = 0; i < LIGHT_COUNT; ++i) {
    vec3 L;
    float att = 1.0;
    if (u_lightType[i] == 3) {
      L = u_lightDirection[i];
    } else {
      vec3 d = u_lightPosition[i] - P;
      float dist = length(d);
      // Nothing at all beyond the range, ambient included.
      if (dist > u_lightAttenuation[i].w) continue;
      L = dist > 0.0 ? d / dist : vec3(0.0);
      float denom = u_lightAttenuation[i].x + u_lightAttenuation[i].y * dist +
                    u_lightAttenuation[i].z * dist * dist;
      att = denom > 0.0 ? 1.0 / denom : 1.0;
      if (u_lightType[i] == 2) {
        // u_lightDirection points towards the light, so this is the cosine between the
        // spot's axis and the way to the vertex.
        float rho = dot(L, u_lightDirection[i]);
        if (rho <= u_lightSpot[i].y) {
          att = 0.0;
        } else if (rho < u_lightSpot[i].x) {
          att *= pow((rho - u_lightSpot[i].y) / (u_lightSpot[i].x - u_lightSpot[i].y),
                     u_lightSpot[i].z);
        }
      }
    }
    amb += att * u_lightAmbient[i].rgb;
    float ndl = dot(N, L);
    if (ndl > 0.0) {
      dif += att * ndl * u_lightDiffuse[i].rgb;
#if SPECULAR
      vec3 H = normalize(L + V);
      float ndh = dot(N, H);
      if (ndh > 0.0) spe += att * pow(ndh, u_matPower) * u_lightSpecular[i].rgb;
#endif
    }
  }
  v_diffuse = clamp(vec4(Ce.rgb + Ca.rgb * (u_ambient.rgb + amb) + Cd.rgb * dif, Cd.a), 0.0, 1.0);
  v_specular = clamp(vec4(Cs.rgb * spe, Cs.a), 0.0, 1.0);
#endif
}
)";
  return s;
}

std::string GLFixedFunction::FragmentSource(const FFKey& k) {
  std::string s = Defines(k);
  s += R"(
SHADE in vec4 v_diffuse;
SHADE in vec4 v_specular;
in vec2 v_texcoord;
uniform sampler2D u_texture0;
uniform sampler2D u_texture1;
uniform vec4 u_tfactor;
uniform float u_alphaRef;
out vec4 fragColor;

void main() {
  vec4 diffuse = v_diffuse;
  vec4 current = diffuse;
  // Direct3D's temporary register starts each pixel at zero.
  vec4 temp = vec4(0.0);
)";
  // A zeroed stage (0) or a disabled one ends the chain.
  for (int i = 0; i < kFFStages && k.stages[i].colorOp > D3DTOP_DISABLE; ++i)
    s += StageSource(k.stages[i], i);
  s += "  vec4 result = current;\n";
  s += "#if SPECULAR\n  result.rgb = clamp(result.rgb + v_specular.rgb, 0.0, 1.0);\n#endif\n";
  if (k.alphaFunc) {
    // The alpha test compares 8-bit values, as the hardware does.
    s += "  float a8 = floor(result.a * 255.0 + 0.5);\n";
    s += std::string("  if (!(") + Compare(k.alphaFunc) + ")) discard;\n";
  }
  s += "  fragColor = result;\n}\n";
  return s;
}

GLFixedFunction::~GLFixedFunction() {
  // Unless its context is current, the programs go with the context itself.
  if (QOpenGLContext::currentContext() != context_) return;
  for (auto& [key, program] : cache_)
    if (program->id) gl_->glDeleteProgram(program->id);
}

FFProgram* GLFixedFunction::Program(const FFKey& key) {
  auto it = cache_.find(key);
  if (it != cache_.end()) return it->second->id ? it->second.get() : nullptr;
  auto p = std::make_unique<FFProgram>();
  p->id = LinkProgram(gl_, VertexSource(key), FragmentSource(key));
  if (p->id) {
    auto loc = [&](const char* name) { return gl_->glGetUniformLocation(p->id, name); };
    p->world = loc("u_world");
    p->view = loc("u_view");
    p->proj = loc("u_proj");
    p->normalMatrix = loc("u_normalMatrix");
    p->viewport = loc("u_viewport");
    p->matDiffuse = loc("u_matDiffuse");
    p->matAmbient = loc("u_matAmbient");
    p->matSpecular = loc("u_matSpecular");
    p->matEmissive = loc("u_matEmissive");
    p->matPower = loc("u_matPower");
    p->ambient = loc("u_ambient");
    p->tfactor = loc("u_tfactor");
    p->alphaRef = loc("u_alphaRef");
    p->texture[0] = loc("u_texture0");
    p->texture[1] = loc("u_texture1");
    p->lightType = loc("u_lightType");
    p->lightPosition = loc("u_lightPosition");
    p->lightDirection = loc("u_lightDirection");
    p->lightDiffuse = loc("u_lightDiffuse");
    p->lightSpecular = loc("u_lightSpecular");
    p->lightAmbient = loc("u_lightAmbient");
    p->lightAttenuation = loc("u_lightAttenuation");
    p->lightSpot = loc("u_lightSpot");
    GLint current = 0;
    gl_->glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    gl_->glUseProgram(p->id);
    for (int i = 0; i < kFFStages; ++i) gl_->glUniform1i(p->texture[i], i);
    gl_->glUseProgram(static_cast<GLuint>(current));
  }
  FFProgram* result = p->id ? p.get() : nullptr;
  cache_.emplace(key, std::move(p));
  return result;
}
