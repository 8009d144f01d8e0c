#include "platform/render/gl/GLProbe.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>
#include <algorithm>
#include <memory>

#include "platform/render/gl/GLFormats.h"

namespace {

bool Renderable(QOpenGLFunctions_3_3_Core* gl, GLenum internalFormat, bool depth) {
  GLuint fbo = 0, rb = 0, color = 0;
  gl->glGenFramebuffers(1, &fbo);
  gl->glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  gl->glGenRenderbuffers(1, &rb);
  gl->glBindRenderbuffer(GL_RENDERBUFFER, rb);
  gl->glRenderbufferStorage(GL_RENDERBUFFER, internalFormat, 16, 16);
  if (depth) {
    gl->glGenRenderbuffers(1, &color);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, color);
    gl->glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 16, 16);
    gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    const bool stencil = internalFormat == GL_DEPTH24_STENCIL8;
    gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                                  stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, rb);
  } else {
    gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, rb);
  }
  const bool ok = gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
                  gl->glGetError() == GL_NO_ERROR;
  gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
  gl->glDeleteRenderbuffers(1, &rb);
  if (color) gl->glDeleteRenderbuffers(1, &color);
  gl->glDeleteFramebuffers(1, &fbo);
  return ok;
}

GLProbe Probe() {
  GLProbe p;
  if (!qGuiApp) return p;
  QSurfaceFormat format;
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  QOffscreenSurface surface;
  surface.setFormat(format);
  surface.create();
  QOpenGLContext context;
  context.setFormat(format);
  if (!context.create() || !context.makeCurrent(&surface)) return p;
  auto* gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(&context);
  if (!gl || !gl->initializeOpenGLFunctions()) {
    context.doneCurrent();
    return p;
  }
  auto str = [&](GLenum name) {
    const auto* s = reinterpret_cast<const char*>(gl->glGetString(name));
    return std::string(s ? s : "");
  };
  p.vendor = str(GL_VENDOR);
  p.renderer = str(GL_RENDERER);
  p.version = str(GL_VERSION);
  for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
    if (p.renderer.find(soft) != std::string::npos) p.software = true;
  gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &p.maxTextureSize);
  gl->glGetIntegerv(GL_MAX_SAMPLES, &p.maxSamples);
  for (D3DFORMAT f : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A2R10G10B10, D3DFMT_R5G6B5,
                      D3DFMT_A1R5G5B5, D3DFMT_X1R5G5B5})
    if (Renderable(gl, GLRenderbufferFormatOf(f), false)) p.colorFormats.push_back(f);
  for (D3DFORMAT f : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32})
    if (Renderable(gl, GLRenderbufferFormatOf(f), true)) p.depthFormats.push_back(f);
  // Drivers round a requested sample count up to one they have; only counts that come back
  // as asked are offered.
  for (int n = 2; n <= std::min(p.maxSamples, 16); ++n) {
    GLuint rb = 0;
    GLint got = 0;
    gl->glGenRenderbuffers(1, &rb);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, rb);
    gl->glRenderbufferStorageMultisample(GL_RENDERBUFFER, n, GL_RGBA8, 16, 16);
    gl->glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_SAMPLES, &got);
    gl->glDeleteRenderbuffers(1, &rb);
    if (got == n && gl->glGetError() == GL_NO_ERROR) p.sampleCounts.push_back(n);
  }
  p.ok = true;
  context.doneCurrent();
  return p;
}

}  // namespace

const GLProbe& ProbeGL() {
  static std::unique_ptr<GLProbe> probe;
  if (!probe || (!probe->ok && qGuiApp)) probe = std::make_unique<GLProbe>(Probe());
  return *probe;
}
