#include "platform/render/gl/GLDevice9.h"

#include <QGuiApplication>
#include <QOpenGLFunctions>
#include <QPixmap>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/render/D3D9Defaults.h"
#include "platform/render/d3dx9.h"
#include "platform/render/gl/FixedFunctionKey.h"
#include "platform/render/gl/GLBackend.h"
#include "platform/render/gl/GLDirect3D9.h"
#include "platform/render/gl/GLFormats.h"
#include "platform/render/gl/GLIndexBuffer9.h"
#include "platform/render/gl/GLProbe.h"
#include "platform/render/gl/GLStateBlock9.h"
#include "platform/render/gl/GLSurface9.h"
#include "platform/render/gl/GLTexture9.h"
#include "platform/render/gl/GLVertexBuffer9.h"
#include "platform/render/gl/GLVertexLayout.h"

namespace {

QWindow* FindWindow(HWND hwnd) {
  for (QWindow* w : QGuiApplication::allWindows())
    if (w->handle() && static_cast<HWND>(w->winId()) == hwnd) return w;
  return nullptr;
}

GLenum BlendFactor(DWORD b, bool source) {
  switch (b) {
    case D3DBLEND_ZERO:
      return GL_ZERO;
    case D3DBLEND_ONE:
      return GL_ONE;
    case D3DBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
      return GL_SRC_ALPHA_SATURATE;
    // The "both" factors set the destination from the source's choice.
    case D3DBLEND_BOTHSRCALPHA:
      return source ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_BOTHINVSRCALPHA:
      return source ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    case D3DBLEND_BLENDFACTOR:
      return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR:
      return GL_ONE_MINUS_CONSTANT_COLOR;
    default:
      return source ? GL_ONE : GL_ZERO;
  }
}

GLenum BlendOp(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT:
      return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
      return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
      return GL_MIN;
    case D3DBLENDOP_MAX:
      return GL_MAX;
    default:
      return GL_FUNC_ADD;
  }
}

GLenum CompareFunc(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER:
      return GL_NEVER;
    case D3DCMP_LESS:
      return GL_LESS;
    case D3DCMP_EQUAL:
      return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
      return GL_LEQUAL;
    case D3DCMP_GREATER:
      return GL_GREATER;
    case D3DCMP_NOTEQUAL:
      return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
      return GL_GEQUAL;
    default:
      return GL_ALWAYS;
  }
}

// GL_POINTS is 0, so a mode of 0 does not mean "no mode": ask KnownPrimitive first.
GLenum PrimitiveMode(D3DPRIMITIVETYPE t) {
  switch (t) {
    case D3DPT_POINTLIST:
      return GL_POINTS;
    case D3DPT_LINELIST:
      return GL_LINES;
    case D3DPT_LINESTRIP:
      return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST:
      return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP:
      return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
      return GL_TRIANGLE_FAN;
    default:
      return 0;
  }
}

bool KnownPrimitive(D3DPRIMITIVETYPE t) {
  return t >= D3DPT_POINTLIST && t <= D3DPT_TRIANGLEFAN;
}

// The caps' MaxPrimitiveCount: keeps vertex counts far from overflowing.
constexpr UINT kMaxPrimitives = 0xFFFFF;

UINT VertexCount(D3DPRIMITIVETYPE t, UINT primitives) {
  switch (t) {
    case D3DPT_POINTLIST:
      return primitives;
    case D3DPT_LINELIST:
      return primitives * 2;
    case D3DPT_LINESTRIP:
      return primitives + 1;
    case D3DPT_TRIANGLELIST:
      return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return primitives + 2;
    default:
      return 0;
  }
}

bool ValidTransform(DWORD t) {
  return t == D3DTS_VIEW || t == D3DTS_PROJECTION || (t >= D3DTS_TEXTURE0 && t <= D3DTS_TEXTURE7) ||
         (t >= 256 && t < 512);
}

void ColorToFloats(D3DCOLOR c, float out[4]) {
  out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
  out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>(c & 0xFF) / 255.0f;
  out[3] = static_cast<float>(c >> 24) / 255.0f;
}

// Row-vector product of the upper 3x3 parts.
void Multiply3(const D3DMATRIX& a, const D3DMATRIX& b, double out[3][3]) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double s = 0;
      for (int k = 0; k < 3; ++k) s += static_cast<double>(a.m[i][k]) * b.m[k][j];
      out[i][j] = s;
    }
}

}  // namespace

GLDevice9::GLDevice9(Ref<IDirect3D9> d3d, UINT adapter, D3DDEVTYPE type, DWORD behavior)
    : d3d_(std::move(d3d)), adapter_(adapter), type_(type), behavior_(behavior) {}

GLDevice9::~GLDevice9() {
  recording_ = nullptr;
  for (auto& t : state_.textures) t = nullptr;
  state_.stream = GLStream();
  state_.indices = nullptr;
  if (!core_) return;
  if (core_->MakeCurrent()) {
    auto* gl = core_->gl();
    ReleaseSurfaces();
    gl->glDeleteVertexArrays(1, &vao_);
    gl->glDeleteBuffers(1, &upBuffer_);
    gl->glDeleteSamplers(kFFStages, samplers_);
    ff_.reset();
  }
  if (target_ && cursorShown_) target_->unsetCursor();
  core_->device = nullptr;
}

HRESULT GLDevice9::Create(HWND window, D3DPRESENT_PARAMETERS* pp) {
  if (!qGuiApp) return D3DERR_NOTAVAILABLE;
  QWindow* target = FindWindow(window);
  std::unique_ptr<QWindow> foreign;
  if (!target) {
    if (!window) return D3DERR_INVALIDCALL;
    // A window of another program (or not made through Qt): draw into a child of it.
    foreign.reset(QWindow::fromWinId(static_cast<WId>(window)));
    if (!foreign) return D3DERR_INVALIDCALL;
    target = foreign.get();
  }
  target_ = target;

  QSurfaceFormat format;
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(0);
  format.setStencilBufferSize(0);
  format.setSwapInterval(pp->PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);

  QWindow* surface = target;
  std::unique_ptr<QWindow> child;
  if (target->surfaceType() != QSurface::OpenGLSurface) {
    // The window paints with the raster engine; a GL child that covers it and lets input
    // through to it takes the drawing.
    child = std::make_unique<QWindow>(target);
    child->setSurfaceType(QSurface::OpenGLSurface);
    child->setFlags(Qt::FramelessWindowHint | Qt::WindowTransparentForInput);
    child->setFormat(format);
    child->setGeometry(0, 0, target->width(), target->height());
    child->create();
    child->show();
    surface = child.get();
    child_ = child.get();
  }
  auto context = std::make_unique<QOpenGLContext>();
  context->setFormat(format);
  if (!context->create()) return D3DERR_NOTAVAILABLE;
  core_ = MakeRef<GLCore>(std::move(context), surface, std::move(child), std::move(foreign));
  if (!core_->gl() || !core_->MakeCurrent()) {
    core_ = nullptr;
    return D3DERR_NOTAVAILABLE;
  }
  core_->device = this;
  auto* gl = core_->gl();
  ff_ = std::make_unique<GLFixedFunction>(gl, core_->context());
  gl->glGenVertexArrays(1, &vao_);
  gl->glGenBuffers(1, &upBuffer_);
  gl->glGenSamplers(kFFStages, samplers_);

  pp_ = *pp;
  if (HRESULT hr = SetUpSurfaces(); FAILED(hr)) return hr;
  *pp = pp_;
  ResetState();
  return D3D_OK;
}

HRESULT GLDevice9::SetUpSurfaces() {
  QWindow* w = target_;
  if (!w) return D3DERR_DEVICELOST;
  if (pp_.BackBufferWidth == 0)
    pp_.BackBufferWidth = static_cast<UINT>(std::max(1.0, w->width() * w->devicePixelRatio()));
  if (pp_.BackBufferHeight == 0)
    pp_.BackBufferHeight = static_cast<UINT>(std::max(1.0, w->height() * w->devicePixelRatio()));
  if (pp_.BackBufferCount == 0) pp_.BackBufferCount = 1;
  if (pp_.BackBufferFormat == D3DFMT_UNKNOWN) {
    D3DDISPLAYMODE mode;
    d3d_->GetAdapterDisplayMode(adapter_, &mode);
    pp_.BackBufferFormat = mode.Format;
  }
  const GLenum colorFormat = GLRenderbufferFormatOf(pp_.BackBufferFormat);
  const GLenum depthFormat =
      pp_.EnableAutoDepthStencil ? GLRenderbufferFormatOf(pp_.AutoDepthStencilFormat) : 0;
  if (!colorFormat || (pp_.EnableAutoDepthStencil && !depthFormat)) return D3DERR_NOTAVAILABLE;
  GLsizei samples = 0;
  const std::vector<int>& counts = ProbeGL().sampleCounts;
  if (pp_.MultiSampleType == D3DMULTISAMPLE_NONMASKABLE) {
    if (pp_.MultiSampleQuality >= counts.size()) return D3DERR_INVALIDCALL;
    samples = counts[pp_.MultiSampleQuality];
  } else if (pp_.MultiSampleType >= D3DMULTISAMPLE_2_SAMPLES) {
    samples = static_cast<GLsizei>(pp_.MultiSampleType);
    if (std::find(counts.begin(), counts.end(), samples) == counts.end())
      return D3DERR_NOTAVAILABLE;
  }

  auto* gl = core_->gl();
  const auto width = static_cast<GLsizei>(pp_.BackBufferWidth);
  const auto height = static_cast<GLsizei>(pp_.BackBufferHeight);
  const GLenum depthAttachment =
      depthFormat == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
  auto build = [&](GLuint* fbo, GLuint* color, GLuint* depth, GLsizei n) {
    gl->glGenFramebuffers(1, fbo);
    gl->glBindFramebuffer(GL_FRAMEBUFFER, *fbo);
    gl->glGenRenderbuffers(1, color);
    gl->glBindRenderbuffer(GL_RENDERBUFFER, *color);
    gl->glRenderbufferStorageMultisample(GL_RENDERBUFFER, n, colorFormat, width, height);
    gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, *color);
    if (depthFormat) {
      gl->glGenRenderbuffers(1, depth);
      gl->glBindRenderbuffer(GL_RENDERBUFFER, *depth);
      gl->glRenderbufferStorageMultisample(GL_RENDERBUFFER, n, depthFormat, width, height);
      gl->glFramebufferRenderbuffer(GL_FRAMEBUFFER, depthAttachment, GL_RENDERBUFFER, *depth);
    }
    return gl->glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  };
  bool ok = build(&fbo_, &colorRb_, &depthRb_, 0);
  if (ok && samples > 0) ok = build(&msFbo_, &msColorRb_, &msDepthRb_, samples);
  if (!ok || gl->glGetError() != GL_NO_ERROR) {
    ReleaseSurfaces();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  // Start from a cleared back buffer rather than whatever the driver left in it.
  gl->glBindFramebuffer(GL_FRAMEBUFFER, msFbo_ ? msFbo_ : fbo_);
  gl->glDisable(GL_SCISSOR_TEST);
  gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  gl->glDepthMask(GL_TRUE);
  gl->glClearColor(0, 0, 0, 1);
  gl->glClearDepth(1.0);
  gl->glClear(GL_COLOR_BUFFER_BIT |
              (depthFormat ? GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT : 0));
  InvalidateStateCache();
  return D3D_OK;
}

void GLDevice9::ReleaseSurfaces() {
  auto* gl = core_->gl();
  for (GLuint* fbo : {&fbo_, &msFbo_})
    if (*fbo) gl->glDeleteFramebuffers(1, fbo), *fbo = 0;
  for (GLuint* rb : {&colorRb_, &depthRb_, &msColorRb_, &msDepthRb_})
    if (*rb) gl->glDeleteRenderbuffers(1, rb), *rb = 0;
}

void GLDevice9::ResetState() {
  for (DWORD s = 0; s < D3DRS_COUNT; ++s)
    state_.rs[s] =
        D3DDefaultRenderState(static_cast<D3DRENDERSTATETYPE>(s), pp_.EnableAutoDepthStencil);
  for (DWORD st = 0; st < kGLStages; ++st)
    for (DWORD t = 0; t < D3DTSS_COUNT; ++t)
      state_.tss[st][t] = D3DDefaultTextureStageState(st, static_cast<D3DTEXTURESTAGESTATETYPE>(t));
  for (DWORD sm = 0; sm < kGLSamplers; ++sm)
    for (DWORD t = 0; t < D3DSAMP_COUNT; ++t)
      state_.samp[sm][t] = D3DDefaultSamplerState(static_cast<D3DSAMPLERSTATETYPE>(t));
  state_.transforms.clear();
  state_.material = D3DMATERIAL9();
  state_.lights.clear();
  state_.viewport = {0, 0, pp_.BackBufferWidth, pp_.BackBufferHeight, 0.0f, 1.0f};
  state_.fvf = 0;
  for (auto& t : state_.textures) t = nullptr;
  state_.stream = GLStream();
  state_.indices = nullptr;
  ++transformVersion_, ++materialVersion_, ++lightVersion_, ++miscVersion_;
  normalMatrixDirty_ = true;
  InvalidateStateCache();
}

void GLDevice9::InvalidateStateCache() {
  shadow_ = Shadow();
}

void GLDevice9::ForgetTexture(GLuint id) {
  if (id == 0 || shadow_.textures[0] == id) shadow_.textures[0] = 0xFFFFFFFF;
  for (GLuint& bound : shadow_.textures)
    if (id != 0 && bound == id) bound = 0xFFFFFFFF;
}

bool GLDevice9::Drawable() const {
  return core_ && !lost_ && target_;
}

// ---- Device life ------------------------------------------------------------------------------

HRESULT GLDevice9::TestCooperativeLevel() {
  if (!target_) return D3DERR_DEVICELOST;  // the window is gone: nothing to reset into
  return lost_ ? D3DERR_DEVICENOTRESET : D3D_OK;
}

UINT GLDevice9::GetAvailableTextureMem() {
  return 256u << 20;
}

HRESULT GLDevice9::GetDirect3D(IDirect3D9** ppD3D9) {
  if (!ppD3D9) return D3DERR_INVALIDCALL;
  *ppD3D9 = d3d_.Share();
  return D3D_OK;
}

HRESULT GLDevice9::GetDeviceCaps(D3DCAPS9* pCaps) {
  if (!pCaps) return D3DERR_INVALIDCALL;
  *pCaps = GLDirect3D9::Caps(adapter_, type_);
  return D3D_OK;
}

HRESULT GLDevice9::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) {
  if (iSwapChain != 0 || !pMode) return D3DERR_INVALIDCALL;
  return d3d_->GetAdapterDisplayMode(adapter_, pMode);
}

HRESULT GLDevice9::Reset(D3DPRESENT_PARAMETERS* pp) {
  if (!pp || !core_) return D3DERR_INVALIDCALL;
  if (!target_) return D3DERR_DEVICELOST;
  // The device's own bindings go with the reset; what is left is held by the program.
  recording_ = nullptr;
  renderTarget_ = nullptr;
  for (auto& t : state_.textures) t = nullptr;
  state_.stream = GLStream();
  state_.indices = nullptr;
  if (core_->defaultPoolObjects > 0) return D3DERR_INVALIDCALL;
  if (!core_->MakeCurrent()) return D3DERR_DEVICELOST;
  ReleaseSurfaces();
  pp_ = *pp;
  inScene_ = false;
  SyncChildWindow();
  if (HRESULT hr = SetUpSurfaces(); FAILED(hr)) {
    lost_ = true;  // nothing to draw into until a Reset succeeds
    return hr;
  }
  lost_ = false;
  *pp = pp_;
  ResetState();
  return D3D_OK;
}

void GLDevice9::SyncChildWindow() {
  if (child_ && target_ && child_->size() != target_->size())
    child_->setGeometry(0, 0, target_->width(), target_->height());
}

void GLDevice9::ResolveInto(GLuint targetFbo) {
  auto* gl = core_->gl();
  const auto w = static_cast<GLint>(pp_.BackBufferWidth),
             h = static_cast<GLint>(pp_.BackBufferHeight);
  gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, msFbo_);
  gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, targetFbo);
  gl->glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

HRESULT GLDevice9::Present(const RECT*, const RECT*, HWND, const void*) {
  if (!Drawable()) return D3DERR_DEVICELOST;
  if (inScene_) return D3DERR_INVALIDCALL;
  if (!core_->MakeCurrent()) return D3DERR_DEVICELOST;
  SyncChildWindow();
  auto* gl = core_->gl();
  gl->glDisable(GL_SCISSOR_TEST);
  if (msFbo_) ResolveInto(fbo_);
  QWindow* surface = core_->surface();
  if (surface->isExposed()) {
    const auto w = static_cast<GLint>(pp_.BackBufferWidth),
               h = static_cast<GLint>(pp_.BackBufferHeight);
    const QSize out = surface->size() * surface->devicePixelRatio();
    gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, core_->context()->defaultFramebufferObject());
    gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // The back buffer's top row is row 0; the window's is the last: flip while copying.
    gl->glBlitFramebuffer(0, 0, w, h, 0, out.height(), out.width(), 0, GL_COLOR_BUFFER_BIT,
                          w == out.width() && h == out.height() ? GL_NEAREST : GL_LINEAR);
    core_->context()->swapBuffers(surface);
    GLCountBufferSwap();
  }
  InvalidateStateCache();
  return D3D_OK;
}

HRESULT GLDevice9::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE,
                                 IDirect3DSurface9** ppBackBuffer) {
  if (!ppBackBuffer) return D3DERR_INVALIDCALL;
  *ppBackBuffer = nullptr;
  if (iSwapChain != 0 || iBackBuffer >= pp_.BackBufferCount) return D3DERR_INVALIDCALL;
  *ppBackBuffer =
      Ref<IDirect3DSurface9>(GLSurface9::BackBuffer(core_, D3DBackBufferDesc(pp_))).Detach();
  return D3D_OK;
}

HRESULT GLDevice9::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) {
  if (RenderTargetIndex != 0) return D3DERR_NOTFOUND;
  if (ppRenderTarget && renderTarget_) {
    *ppRenderTarget = renderTarget_.Share();
    return D3D_OK;
  }
  return GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, ppRenderTarget);
}

GLuint GLDevice9::DrawFramebuffer() const {
  if (renderTarget_) return renderTarget_->Framebuffer();
  return msFbo_ ? msFbo_ : fbo_;
}

HRESULT GLDevice9::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) {
  auto* surface = dynamic_cast<GLSurface9*>(pRenderTarget);
  if (RenderTargetIndex != 0 || !surface || (!surface->IsBackBuffer() && !surface->Framebuffer()))
    return D3DERR_INVALIDCALL;
  renderTarget_ = surface->IsBackBuffer() ? nullptr : Ref<GLSurface9>(surface);
  // As on Direct3D, the viewport becomes the whole of the new target.
  state_.viewport = {0, 0, TargetWidth(), TargetHeight(), 0.0f, 1.0f};
  ++miscVersion_;
  InvalidateStateCache();
  return D3D_OK;
}

HRESULT GLDevice9::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                               IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                               D3DTEXTUREFILTERTYPE Filter) {
  auto* from = dynamic_cast<GLSurface9*>(pSourceSurface);
  auto* to = dynamic_cast<GLSurface9*>(pDestSurface);
  auto usable = [](GLSurface9* s) { return s && (s->IsBackBuffer() || s->Framebuffer()); };
  if (!usable(from) || !usable(to) || from == to ||
      (Filter != D3DTEXF_NONE && Filter != D3DTEXF_POINT && Filter != D3DTEXF_LINEAR))
    return D3DERR_INVALIDCALL;
  auto whole = [](GLSurface9* s) {
    return RECT{0, 0, static_cast<LONG>(s->Width()), static_cast<LONG>(s->Height())};
  };
  auto inside = [](const RECT& r, const RECT& bounds) {
    return r.left >= bounds.left && r.top >= bounds.top && r.right <= bounds.right &&
           r.bottom <= bounds.bottom && r.left < r.right && r.top < r.bottom;
  };
  const RECT src = pSourceRect ? *pSourceRect : whole(from);
  const RECT dst = pDestRect ? *pDestRect : whole(to);
  if (!inside(src, whole(from)) || !inside(dst, whole(to))) return D3DERR_INVALIDCALL;
  // GL cannot scale into a multisampled buffer; Direct3D refuses it too.
  if (to->IsBackBuffer() && msFbo_) return D3DERR_INVALIDCALL;
  if (lost_) return D3D_OK;
  if (!Drawable()) return D3DERR_DEVICELOST;
  if (!core_->MakeCurrent()) return D3DERR_DEVICELOST;
  auto* gl = core_->gl();
  gl->glDisable(GL_SCISSOR_TEST);
  if (from->IsBackBuffer() && msFbo_) ResolveInto(fbo_);
  gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, from->IsBackBuffer() ? fbo_ : from->Framebuffer());
  gl->glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to->IsBackBuffer() ? fbo_ : to->Framebuffer());
  gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  // Both are stored top row first, so rectangles go over as they are.
  gl->glBlitFramebuffer(src.left, src.top, src.right, src.bottom, dst.left, dst.top, dst.right,
                        dst.bottom, GL_COLOR_BUFFER_BIT,
                        Filter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
  InvalidateStateCache();
  return D3D_OK;
}

// ---- Cursor ---------------------------------------------------------------------------------

HRESULT GLDevice9::SetCursorProperties(UINT XHotSpot, UINT YHotSpot,
                                       IDirect3DSurface9* pCursorBitmap) {
  if (!pCursorBitmap) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc;
  pCursorBitmap->GetDesc(&desc);
  if (desc.Format != D3DFMT_A8R8G8B8 || XHotSpot >= desc.Width || YHotSpot >= desc.Height)
    return D3DERR_INVALIDCALL;
  D3DLOCKED_RECT locked;
  if (FAILED(pCursorBitmap->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
    return D3DERR_INVALIDCALL;
  QImage image(static_cast<int>(desc.Width), static_cast<int>(desc.Height), QImage::Format_ARGB32);
  for (UINT y = 0; y < desc.Height; ++y)
    std::memcpy(
        image.scanLine(static_cast<int>(y)),
        static_cast<const std::uint8_t*>(locked.pBits) + y * static_cast<UINT>(locked.Pitch),
        desc.Width * 4);
  pCursorBitmap->UnlockRect();
  cursor_ =
      QCursor(QPixmap::fromImage(image), static_cast<int>(XHotSpot), static_cast<int>(YHotSpot));
  cursorSet_ = true;
  if (cursorShown_ && target_) target_->setCursor(cursor_);
  return D3D_OK;
}

// The platform's pointer already sits where the mouse is (the calls come from mouse-move
// messages), so there is nothing to move.
void GLDevice9::SetCursorPosition(int, int, DWORD) {}

BOOL GLDevice9::ShowCursor(BOOL bShow) {
  const BOOL previous = cursorShown_;
  cursorShown_ = bShow != FALSE;
  if (target_) {
    if (cursorShown_ && cursorSet_)
      target_->setCursor(cursor_);
    else if (!cursorShown_)
      target_->unsetCursor();
  }
  return previous;
}

// ---- Resources -------------------------------------------------------------------------------

HRESULT GLDevice9::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage,
                                 D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture,
                                 HANDLE* pSharedHandle) {
  if (!ppTexture) return D3DERR_INVALIDCALL;
  *ppTexture = nullptr;
  if (pSharedHandle || (Usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) ||
      (Pool == D3DPOOL_MANAGED && (Usage & D3DUSAGE_DYNAMIC)))
    return D3DERR_INVALIDCALL;
  return GLTexture9::Create(core_, Width, Height, Levels, Usage, Format, Pool, ppTexture);
}

HRESULT GLDevice9::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                      IDirect3DVertexBuffer9** ppVertexBuffer,
                                      HANDLE* pSharedHandle) {
  if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
  *ppVertexBuffer = nullptr;
  if (Length == 0 || pSharedHandle || (Pool == D3DPOOL_MANAGED && (Usage & D3DUSAGE_DYNAMIC)))
    return D3DERR_INVALIDCALL;
  Ref<GLVertexBuffer9> vb(new GLVertexBuffer9(core_, Length, Usage, FVF, Pool));
  if (!vb->Buffer().Valid()) return D3DERR_OUTOFVIDEOMEMORY;
  *ppVertexBuffer = vb.Share();
  return D3D_OK;
}

HRESULT GLDevice9::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                     IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) {
  if (!ppIndexBuffer) return D3DERR_INVALIDCALL;
  *ppIndexBuffer = nullptr;
  if (Length == 0 || pSharedHandle || (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32) ||
      (Pool == D3DPOOL_MANAGED && (Usage & D3DUSAGE_DYNAMIC)))
    return D3DERR_INVALIDCALL;
  Ref<GLIndexBuffer9> ib(new GLIndexBuffer9(core_, Length, Usage, Format, Pool));
  if (!ib->Buffer().Valid()) return D3DERR_OUTOFVIDEOMEMORY;
  *ppIndexBuffer = ib.Share();
  return D3D_OK;
}

HRESULT GLDevice9::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                               D3DPOOL Pool, IDirect3DSurface9** ppSurface,
                                               HANDLE* pSharedHandle) {
  if (!ppSurface) return D3DERR_INVALIDCALL;
  *ppSurface = nullptr;
  if (pSharedHandle || Pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  GLSurface9* s = GLSurface9::Offscreen(core_, Width, Height, Format, Pool);
  if (!s) return D3DERR_INVALIDCALL;
  *ppSurface = Ref<IDirect3DSurface9>(s).Detach();
  return D3D_OK;
}

HRESULT GLDevice9::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                      D3DMULTISAMPLE_TYPE MultiSample, DWORD, BOOL,
                                      IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) {
  if (!ppSurface) return D3DERR_INVALIDCALL;
  *ppSurface = nullptr;
  const UINT maxSize = static_cast<UINT>(std::max(ProbeGL().maxTextureSize, 1));
  if (pSharedHandle || MultiSample != D3DMULTISAMPLE_NONE || Width == 0 || Height == 0 ||
      Width > maxSize || Height > maxSize)
    return D3DERR_INVALIDCALL;
  const GLenum colorFormat = GLRenderbufferFormatOf(Format);
  if (!colorFormat) return D3DERR_NOTAVAILABLE;
  const GLenum depthFormat =
      pp_.EnableAutoDepthStencil ? GLRenderbufferFormatOf(pp_.AutoDepthStencilFormat) : 0;
  GLSurface9* s = GLSurface9::RenderTarget(core_, Width, Height, Format, colorFormat, depthFormat);
  InvalidateStateCache();
  if (!s) return D3DERR_OUTOFVIDEOMEMORY;
  *ppSurface = Ref<IDirect3DSurface9>(s).Detach();
  return D3D_OK;
}

// ---- Frame -------------------------------------------------------------------------------------

HRESULT GLDevice9::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT GLDevice9::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  if (core_->MakeCurrent()) core_->gl()->glFlush();
  return D3D_OK;
}

HRESULT GLDevice9::Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                         DWORD Stencil) {
  if (lost_) return D3D_OK;  // as on Direct3D, a lost device accepts drawing and does nothing
  if (!Drawable()) return D3DERR_DEVICELOST;
  const bool hasDepth = pp_.EnableAutoDepthStencil != FALSE;
  const bool hasStencil = hasDepth && pp_.AutoDepthStencilFormat == D3DFMT_D24S8;
  if (((Flags & D3DCLEAR_ZBUFFER) && !hasDepth) || ((Flags & D3DCLEAR_STENCIL) && !hasStencil) ||
      (Count > 0 && !pRects))
    return D3DERR_INVALIDCALL;
  if (!core_->MakeCurrent()) return D3DERR_DEVICELOST;
  auto* gl = core_->gl();
  if (!shadow_.known) PrepareFramebuffer();
  GLbitfield bits = 0;
  if (Flags & D3DCLEAR_TARGET) {
    float c[4];
    ColorToFloats(Color, c);
    gl->glClearColor(c[0], c[1], c[2], c[3]);
    gl->glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    shadow_.colorMask = 0xF;
    bits |= GL_COLOR_BUFFER_BIT;
  }
  if (Flags & D3DCLEAR_ZBUFFER) {
    gl->glClearDepth(std::clamp(Z, 0.0f, 1.0f));
    gl->glDepthMask(GL_TRUE);
    shadow_.depthMask = GL_TRUE;
    bits |= GL_DEPTH_BUFFER_BIT;
  }
  if (Flags & D3DCLEAR_STENCIL) {
    gl->glClearStencil(static_cast<GLint>(Stencil & 0xFF));
    gl->glStencilMask(0xFF);
    bits |= GL_STENCIL_BUFFER_BIT;
  }
  if (!bits) return D3D_OK;
  // Direct3D clears the viewport (or the given rectangles within it).
  const D3DVIEWPORT9& vp = state_.viewport;
  const LONG vx0 = static_cast<LONG>(vp.X), vy0 = static_cast<LONG>(vp.Y);
  const LONG vx1 = vx0 + static_cast<LONG>(vp.Width), vy1 = vy0 + static_cast<LONG>(vp.Height);
  gl->glEnable(GL_SCISSOR_TEST);
  auto clearRect = [&](LONG x0, LONG y0, LONG x1, LONG y1) {
    x0 = std::max(x0, vx0), y0 = std::max(y0, vy0), x1 = std::min(x1, vx1), y1 = std::min(y1, vy1);
    if (x0 >= x1 || y0 >= y1) return;
    gl->glScissor(x0, y0, x1 - x0, y1 - y0);
    gl->glClear(bits);
  };
  if (Count == 0) {
    clearRect(vx0, vy0, vx1, vy1);
  } else {
    for (DWORD i = 0; i < Count; ++i)
      clearRect(pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2);
  }
  gl->glDisable(GL_SCISSOR_TEST);
  return D3D_OK;
}

// ---- State ------------------------------------------------------------------------------------

HRESULT GLDevice9::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  if (!pMatrix || !ValidTransform(State)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->NoteTransform(State, *pMatrix);
    return D3D_OK;
  }
  state_.transforms[State] = *pMatrix;
  ++transformVersion_;
  if (State == D3DTS_WORLD || State == D3DTS_VIEW) normalMatrixDirty_ = true;
  if (State == D3DTS_VIEW) ++lightVersion_;  // lights are uploaded in view space
  return D3D_OK;
}

HRESULT GLDevice9::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
  if (!pMatrix || !ValidTransform(State)) return D3DERR_INVALIDCALL;
  auto it = state_.transforms.find(State);
  *pMatrix = it != state_.transforms.end() ? it->second : D3DIdentityMatrix();
  return D3D_OK;
}

HRESULT GLDevice9::SetViewport(const D3DVIEWPORT9* pViewport) {
  if (!pViewport || pViewport->Width == 0 || pViewport->Height == 0 ||
      pViewport->X + pViewport->Width > TargetWidth() ||
      pViewport->Y + pViewport->Height > TargetHeight() || pViewport->MinZ < 0.0f ||
      pViewport->MaxZ > 1.0f || pViewport->MinZ > pViewport->MaxZ)
    return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->NoteViewport(*pViewport);
    return D3D_OK;
  }
  state_.viewport = *pViewport;
  ++miscVersion_;
  return D3D_OK;
}

HRESULT GLDevice9::GetViewport(D3DVIEWPORT9* pViewport) {
  if (!pViewport) return D3DERR_INVALIDCALL;
  *pViewport = state_.viewport;
  return D3D_OK;
}

HRESULT GLDevice9::SetMaterial(const D3DMATERIAL9* pMaterial) {
  if (!pMaterial) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->NoteMaterial(*pMaterial);
    return D3D_OK;
  }
  state_.material = *pMaterial;
  ++materialVersion_;
  return D3D_OK;
}

HRESULT GLDevice9::GetMaterial(D3DMATERIAL9* pMaterial) {
  if (!pMaterial) return D3DERR_INVALIDCALL;
  *pMaterial = state_.material;
  return D3D_OK;
}

HRESULT GLDevice9::SetLight(DWORD Index, const D3DLIGHT9* pLight) {
  if (!pLight || pLight->Type < D3DLIGHT_POINT || pLight->Type > D3DLIGHT_DIRECTIONAL ||
      pLight->Range < 0.0f || pLight->Attenuation0 < 0.0f || pLight->Attenuation1 < 0.0f ||
      pLight->Attenuation2 < 0.0f)
    return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->NoteLight(Index, *pLight);
    return D3D_OK;
  }
  state_.lights[Index].light = *pLight;
  ++lightVersion_;
  return D3D_OK;
}

HRESULT GLDevice9::GetLight(DWORD Index, D3DLIGHT9* pLight) {
  auto it = state_.lights.find(Index);
  if (!pLight || it == state_.lights.end()) return D3DERR_INVALIDCALL;
  *pLight = it->second.light;
  return D3D_OK;
}

HRESULT GLDevice9::LightEnable(DWORD Index, BOOL Enable) {
  if (recording_) {
    recording_->NoteLightEnable(Index, Enable != FALSE);
    return D3D_OK;
  }
  auto it = state_.lights.find(Index);
  if (it == state_.lights.end())
    it = state_.lights.emplace(Index, GLLightSlot{D3DDefaultLight(), false}).first;
  it->second.enabled = Enable != FALSE;
  ++lightVersion_;
  return D3D_OK;
}

HRESULT GLDevice9::GetLightEnable(DWORD Index, BOOL* pEnable) {
  auto it = state_.lights.find(Index);
  if (!pEnable || it == state_.lights.end()) return D3DERR_INVALIDCALL;
  *pEnable = it->second.enabled ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT GLDevice9::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (State >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->NoteRenderState(State, Value);
    return D3D_OK;
  }
  state_.rs[State] = Value;
  if (State == D3DRS_AMBIENT || State == D3DRS_TEXTUREFACTOR || State == D3DRS_ALPHAREF)
    ++miscVersion_;
  return D3D_OK;
}

HRESULT GLDevice9::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
  if (State >= D3DRS_COUNT || !pValue) return D3DERR_INVALIDCALL;
  *pValue = state_.rs[State];
  return D3D_OK;
}

HRESULT GLDevice9::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
  if (Stage >= kGLStages) return D3DERR_INVALIDCALL;
  if (pTexture && !dynamic_cast<GLTexture9*>(pTexture)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->NoteTexture(Stage, pTexture);
    return D3D_OK;
  }
  state_.textures[Stage] = Ref<IDirect3DBaseTexture9>(pTexture);
  return D3D_OK;
}

HRESULT GLDevice9::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) {
  if (Stage >= kGLStages || !ppTexture) return D3DERR_INVALIDCALL;
  *ppTexture = state_.textures[Stage].Share();
  return D3D_OK;
}

HRESULT GLDevice9::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  if (Stage >= kGLStages || Type >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->NoteTextureStageState(Stage, Type, Value);
    return D3D_OK;
  }
  state_.tss[Stage][Type] = Value;
  return D3D_OK;
}

HRESULT GLDevice9::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
  if (Stage >= kGLStages || Type >= D3DTSS_COUNT || !pValue) return D3DERR_INVALIDCALL;
  *pValue = state_.tss[Stage][Type];
  return D3D_OK;
}

HRESULT GLDevice9::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
  if (Sampler >= kGLSamplers || Type >= D3DSAMP_COUNT) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->NoteSamplerState(Sampler, Type, Value);
    return D3D_OK;
  }
  state_.samp[Sampler][Type] = Value;
  return D3D_OK;
}

HRESULT GLDevice9::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) {
  if (Sampler >= kGLSamplers || Type >= D3DSAMP_COUNT || !pValue) return D3DERR_INVALIDCALL;
  *pValue = state_.samp[Sampler][Type];
  return D3D_OK;
}

HRESULT GLDevice9::CreateStateBlock(D3DSTATEBLOCKTYPE Type, IDirect3DStateBlock9** ppSB) {
  if (!ppSB) return D3DERR_INVALIDCALL;
  *ppSB = nullptr;
  if (Type < D3DSBT_ALL || Type > D3DSBT_VERTEXSTATE || recording_) return D3DERR_INVALIDCALL;
  Ref<GLStateBlock9> block(new GLStateBlock9(core_));
  block->HoldAll(Type);
  block->Capture();
  *ppSB = block.Share();
  return D3D_OK;
}

HRESULT GLDevice9::BeginStateBlock() {
  if (recording_) return D3DERR_INVALIDCALL;
  recording_ = Ref<GLStateBlock9>(new GLStateBlock9(core_));
  return D3D_OK;
}

HRESULT GLDevice9::EndStateBlock(IDirect3DStateBlock9** ppSB) {
  if (!ppSB) return D3DERR_INVALIDCALL;
  *ppSB = nullptr;
  if (!recording_) return D3DERR_INVALIDCALL;
  *ppSB = recording_.Detach();
  recording_ = nullptr;
  return D3D_OK;
}

HRESULT GLDevice9::SetFVF(DWORD FVF) {
  if (recording_) {
    recording_->NoteFVF(FVF);
    return D3D_OK;
  }
  state_.fvf = FVF;
  return D3D_OK;
}

HRESULT GLDevice9::GetFVF(DWORD* pFVF) {
  if (!pFVF) return D3DERR_INVALIDCALL;
  *pFVF = state_.fvf;
  return D3D_OK;
}

HRESULT GLDevice9::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                   UINT OffsetInBytes, UINT Stride) {
  if (StreamNumber != 0) return D3DERR_INVALIDCALL;
  if (pStreamData && !dynamic_cast<GLVertexBuffer9*>(pStreamData)) return D3DERR_INVALIDCALL;
  const GLStream stream{Ref<IDirect3DVertexBuffer9>(pStreamData), OffsetInBytes, Stride};
  if (recording_) {
    recording_->NoteStream(stream);
    return D3D_OK;
  }
  state_.stream = stream;
  return D3D_OK;
}

HRESULT GLDevice9::SetIndices(IDirect3DIndexBuffer9* pIndexData) {
  if (pIndexData && !dynamic_cast<GLIndexBuffer9*>(pIndexData)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->NoteIndices(pIndexData);
    return D3D_OK;
  }
  state_.indices = Ref<IDirect3DIndexBuffer9>(pIndexData);
  return D3D_OK;
}

// Only the fixed-function pipeline exists: null selects it, anything else is refused.
HRESULT GLDevice9::SetPixelShader(IDirect3DPixelShader9* pShader) {
  return pShader ? D3DERR_INVALIDCALL : D3D_OK;
}

HRESULT GLDevice9::SetVertexShader(IDirect3DVertexShader9* pShader) {
  return pShader ? D3DERR_INVALIDCALL : D3D_OK;
}

// ---- Drawing ---------------------------------------------------------------------------------

void GLDevice9::BindTexture(int unit, GLuint id) {
  if (shadow_.known && shadow_.textures[unit] == id) return;
  auto* gl = core_->gl();
  gl->glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
  gl->glBindTexture(GL_TEXTURE_2D, id);
  // Textures bind on unit 0 for their uploads and reads: it stays the active one.
  if (unit != 0) gl->glActiveTexture(GL_TEXTURE0);
  shadow_.textures[unit] = id;
}

void GLDevice9::ApplySampler(int unit) {
  const DWORD* s = state_.samp[unit];
  if (shadow_.known && shadow_.samplerKnown[unit] &&
      std::memcmp(s, shadow_.samplerState[unit], sizeof shadow_.samplerState[unit]) == 0)
    return;
  auto* gl = core_->gl();
  const GLuint sampler = samplers_[unit];
  auto filter = [](DWORD f) {
    return f == D3DTEXF_POINT || f == D3DTEXF_NONE ? GL_NEAREST : GL_LINEAR;
  };
  const GLenum mag = static_cast<GLenum>(filter(s[D3DSAMP_MAGFILTER]));
  const bool minLinear = filter(s[D3DSAMP_MINFILTER]) == GL_LINEAR;
  GLenum min;
  switch (s[D3DSAMP_MIPFILTER]) {
    case D3DTEXF_NONE:
      min = minLinear ? GL_LINEAR : GL_NEAREST;
      break;
    case D3DTEXF_POINT:
      min = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
      break;
    default:
      min = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
      break;
  }
  auto wrap = [](DWORD a) -> GLint {
    switch (a) {
      case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
      case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
      case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
      default:
        return GL_REPEAT;
    }
  };
  gl->glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(mag));
  gl->glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(min));
  gl->glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, wrap(s[D3DSAMP_ADDRESSU]));
  gl->glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, wrap(s[D3DSAMP_ADDRESSV]));
  float border[4];
  ColorToFloats(s[D3DSAMP_BORDERCOLOR], border);
  gl->glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
  gl->glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS,
                          std::bit_cast<float>(s[D3DSAMP_MIPMAPLODBIAS]));
  gl->glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, static_cast<float>(s[D3DSAMP_MAXMIPLEVEL]));
  std::memcpy(shadow_.samplerState[unit], s, sizeof shadow_.samplerState[unit]);
  shadow_.samplerKnown[unit] = true;
}

void GLDevice9::ApplyFixedState(bool pretransformed) {
  auto* gl = core_->gl();
  const DWORD* rs = state_.rs;
  const bool known = shadow_.known;

  const bool blend = rs[D3DRS_ALPHABLENDENABLE] != FALSE;
  if (!known || blend != shadow_.blend) {
    blend ? gl->glEnable(GL_BLEND) : gl->glDisable(GL_BLEND);
    shadow_.blend = blend;
  }
  if (blend) {
    const GLenum src = BlendFactor(rs[D3DRS_SRCBLEND], true);
    GLenum dst = BlendFactor(rs[D3DRS_DESTBLEND], false);
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHSRCALPHA ||
        rs[D3DRS_SRCBLEND] == D3DBLEND_BOTHINVSRCALPHA)
      dst = BlendFactor(rs[D3DRS_SRCBLEND], false);
    const GLenum op = BlendOp(rs[D3DRS_BLENDOP]);
    if (!known || src != shadow_.srcBlend || dst != shadow_.dstBlend) {
      gl->glBlendFunc(src, dst);
      shadow_.srcBlend = src, shadow_.dstBlend = dst;
    }
    if (!known || op != shadow_.blendOp) {
      gl->glBlendEquation(op);
      shadow_.blendOp = op;
    }
    if (rs[D3DRS_SRCBLEND] == D3DBLEND_BLENDFACTOR || rs[D3DRS_DESTBLEND] == D3DBLEND_BLENDFACTOR ||
        rs[D3DRS_SRCBLEND] == D3DBLEND_INVBLENDFACTOR ||
        rs[D3DRS_DESTBLEND] == D3DBLEND_INVBLENDFACTOR) {
      float c[4];
      ColorToFloats(rs[D3DRS_BLENDFACTOR], c);
      gl->glBlendColor(c[0], c[1], c[2], c[3]);
    }
  }

  const bool depth = rs[D3DRS_ZENABLE] != D3DZB_FALSE && pp_.EnableAutoDepthStencil;
  if (!known || depth != shadow_.depthTest) {
    depth ? gl->glEnable(GL_DEPTH_TEST) : gl->glDisable(GL_DEPTH_TEST);
    shadow_.depthTest = depth;
  }
  const GLenum depthFunc = CompareFunc(rs[D3DRS_ZFUNC]);
  if (!known || depthFunc != shadow_.depthFunc) {
    gl->glDepthFunc(depthFunc);
    shadow_.depthFunc = depthFunc;
  }
  const GLboolean depthMask = rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE;
  if (!known || depthMask != shadow_.depthMask) {
    gl->glDepthMask(depthMask);
    shadow_.depthMask = depthMask;
  }

  // Direct3D's front faces are clockwise on screen. The back buffer is stored top row first,
  // which mirrors the picture for GL, so GL sees them counter-clockwise (glFrontFace GL_CCW,
  // set once): culling D3D's counter-clockwise faces culls GL's back faces.
  const DWORD cullMode = rs[D3DRS_CULLMODE];
  const bool cull = cullMode == D3DCULL_CW || cullMode == D3DCULL_CCW;
  if (!known || cull != shadow_.cull) {
    cull ? gl->glEnable(GL_CULL_FACE) : gl->glDisable(GL_CULL_FACE);
    shadow_.cull = cull;
  }
  const GLenum cullFace = cullMode == D3DCULL_CW ? GL_FRONT : GL_BACK;
  if (cull && (!known || cullFace != shadow_.cullFace)) {
    gl->glCullFace(cullFace);
    shadow_.cullFace = cullFace;
  }

  const GLenum fill = rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                      : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                : GL_FILL;
  if (!known || fill != shadow_.fill) {
    gl->glPolygonMode(GL_FRONT_AND_BACK, fill);
    shadow_.fill = fill;
  }

  const DWORD mask = rs[D3DRS_COLORWRITEENABLE] & 0xF;
  if (!known || mask != shadow_.colorMask) {
    gl->glColorMask(mask & 1, (mask >> 1) & 1, (mask >> 2) & 1, (mask >> 3) & 1);
    shadow_.colorMask = mask;
  }

  const D3DVIEWPORT9& vp = state_.viewport;
  if (!known || !(vp == shadow_.viewport)) {
    // Stored top row first, so a viewport's top is GL's y as it stands.
    gl->glViewport(static_cast<GLint>(vp.X), static_cast<GLint>(vp.Y),
                   static_cast<GLsizei>(vp.Width), static_cast<GLsizei>(vp.Height));
    shadow_.viewport = vp;
  }
  // Pre-transformed depth is final; only transformed geometry goes through the viewport's
  // depth range.
  const float minZ = pretransformed ? 0.0f : vp.MinZ, maxZ = pretransformed ? 1.0f : vp.MaxZ;
  if (!known || minZ != shadow_.minZ || maxZ != shadow_.maxZ) {
    gl->glDepthRange(minZ, maxZ);
    shadow_.minZ = minZ, shadow_.maxZ = maxZ;
  }
}

void GLDevice9::UploadUniforms(FFProgram* p) {
  auto* gl = core_->gl();
  auto transform = [&](DWORD t) {
    auto it = state_.transforms.find(t);
    return it != state_.transforms.end() ? it->second : D3DIdentityMatrix();
  };
  if (p->transformVersion != transformVersion_) {
    const D3DMATRIX world = transform(D3DTS_WORLD), view = transform(D3DTS_VIEW),
                    proj = transform(D3DTS_PROJECTION);
    gl->glUniformMatrix4fv(p->world, 1, GL_FALSE, &world._11);
    gl->glUniformMatrix4fv(p->view, 1, GL_FALSE, &view._11);
    gl->glUniformMatrix4fv(p->proj, 1, GL_FALSE, &proj._11);
    if (normalMatrixDirty_) {
      // Normals go through the inverse transpose of world x view, not renormalised: a scaled
      // world matrix changes the lighting as it does on Direct3D.
      double a[3][3];
      Multiply3(world, view, a);
      const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                         a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                         a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
      const double inv = det != 0.0 ? 1.0 / det : 0.0;
      const double r[3][3] = {{(a[1][1] * a[2][2] - a[1][2] * a[2][1]) * inv,
                               (a[0][2] * a[2][1] - a[0][1] * a[2][2]) * inv,
                               (a[0][1] * a[1][2] - a[0][2] * a[1][1]) * inv},
                              {(a[1][2] * a[2][0] - a[1][0] * a[2][2]) * inv,
                               (a[0][0] * a[2][2] - a[0][2] * a[2][0]) * inv,
                               (a[0][2] * a[1][0] - a[0][0] * a[1][2]) * inv},
                              {(a[1][0] * a[2][1] - a[1][1] * a[2][0]) * inv,
                               (a[0][1] * a[2][0] - a[0][0] * a[2][1]) * inv,
                               (a[0][0] * a[1][1] - a[0][1] * a[1][0]) * inv}};
      // For column vectors the normal is inverse(A) * n; GLSL takes columns, so store the
      // inverse column by column.
      for (int c = 0; c < 3; ++c)
        for (int row = 0; row < 3; ++row)
          normalMatrix_[c * 3 + row] = static_cast<float>(r[row][c]);
      normalMatrixDirty_ = false;
    }
    gl->glUniformMatrix3fv(p->normalMatrix, 1, GL_FALSE, normalMatrix_);
    p->transformVersion = transformVersion_;
  }
  if (p->materialVersion != materialVersion_) {
    const D3DMATERIAL9& m = state_.material;
    gl->glUniform4fv(p->matDiffuse, 1, &m.Diffuse.r);
    gl->glUniform4fv(p->matAmbient, 1, &m.Ambient.r);
    gl->glUniform4fv(p->matSpecular, 1, &m.Specular.r);
    gl->glUniform4fv(p->matEmissive, 1, &m.Emissive.r);
    gl->glUniform1f(p->matPower, m.Power);
    p->materialVersion = materialVersion_;
  }
  if (p->lightVersion != lightVersion_ && p->lightType >= 0) {
    const D3DMATRIX view = transform(D3DTS_VIEW);
    GLint types[8] = {};
    float pos[8][3] = {}, dir[8][3] = {}, dif[8][4] = {}, spe[8][4] = {}, amb[8][4] = {},
          att[8][4] = {}, spot[8][3] = {};
    int n = 0;
    for (const auto& [index, slot] : state_.lights) {
      if (!slot.enabled || n == 8) continue;
      const D3DLIGHT9& l = slot.light;
      types[n] = static_cast<GLint>(l.Type);
      const float p3[3] = {l.Position.x, l.Position.y, l.Position.z};
      const float d3[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
      float dl = 0;
      for (int c = 0; c < 3; ++c) {
        pos[n][c] =
            p3[0] * view.m[0][c] + p3[1] * view.m[1][c] + p3[2] * view.m[2][c] + view.m[3][c];
        dir[n][c] = -(d3[0] * view.m[0][c] + d3[1] * view.m[1][c] + d3[2] * view.m[2][c]);
        dl += dir[n][c] * dir[n][c];
      }
      dl = std::sqrt(dl);
      for (int c = 0; c < 3 && dl > 0; ++c) dir[n][c] /= dl;
      std::memcpy(dif[n], &l.Diffuse.r, 16);
      std::memcpy(spe[n], &l.Specular.r, 16);
      std::memcpy(amb[n], &l.Ambient.r, 16);
      att[n][0] = l.Attenuation0, att[n][1] = l.Attenuation1, att[n][2] = l.Attenuation2;
      att[n][3] = l.Range;
      spot[n][0] = std::cos(l.Theta / 2), spot[n][1] = std::cos(l.Phi / 2), spot[n][2] = l.Falloff;
      ++n;
    }
    gl->glUniform1iv(p->lightType, 8, types);
    gl->glUniform3fv(p->lightPosition, 8, &pos[0][0]);
    gl->glUniform3fv(p->lightDirection, 8, &dir[0][0]);
    gl->glUniform4fv(p->lightDiffuse, 8, &dif[0][0]);
    gl->glUniform4fv(p->lightSpecular, 8, &spe[0][0]);
    gl->glUniform4fv(p->lightAmbient, 8, &amb[0][0]);
    gl->glUniform4fv(p->lightAttenuation, 8, &att[0][0]);
    gl->glUniform3fv(p->lightSpot, 8, &spot[0][0]);
    p->lightVersion = lightVersion_;
  }
  if (p->miscVersion != miscVersion_) {
    float c[4];
    ColorToFloats(state_.rs[D3DRS_AMBIENT], c);
    gl->glUniform4fv(p->ambient, 1, c);
    ColorToFloats(state_.rs[D3DRS_TEXTUREFACTOR], c);
    gl->glUniform4fv(p->tfactor, 1, c);
    gl->glUniform1f(p->alphaRef, static_cast<float>(state_.rs[D3DRS_ALPHAREF] & 0xFF));
    const D3DVIEWPORT9& vp = state_.viewport;
    gl->glUniform4f(p->viewport, static_cast<float>(vp.X), static_cast<float>(vp.Y),
                    static_cast<float>(vp.Width), static_cast<float>(vp.Height));
    p->miscVersion = miscVersion_;
  }
}

void GLDevice9::ApplyContextSetup() {
  auto* gl = core_->gl();
  gl->glBindFramebuffer(GL_FRAMEBUFFER, DrawFramebuffer());
  gl->glBindVertexArray(vao_);
  for (int unit = 0; unit < kFFStages; ++unit)
    gl->glBindSampler(static_cast<GLuint>(unit), samplers_[unit]);
  gl->glFrontFace(GL_CCW);
  gl->glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);  // flat shading uses the first vertex
  gl->glDisable(GL_SCISSOR_TEST);
  gl->glDisable(GL_STENCIL_TEST);
  gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

void GLDevice9::PrepareFramebuffer() {
  if (!shadow_.known) ApplyContextSetup();
  ApplyFixedState(false);
  shadow_.known = true;
  for (GLuint& bound : shadow_.textures) bound = 0xFFFFFFFF;
  shadow_.program = 0xFFFFFFFF;
  shadow_.vbo = 0xFFFFFFFF;
  shadow_.ebo = 0xFFFFFFFF;
}

void GLDevice9::BindVertexLayout(DWORD fvf, GLuint vbo, UINT streamOffset, UINT stride) {
  if (shadow_.known && vbo == shadow_.vbo && fvf == shadow_.fvf && stride == shadow_.stride &&
      streamOffset == shadow_.offset)
    return;
  auto* gl = core_->gl();
  auto* functions = core_->context()->functions();
  gl->glBindBuffer(GL_ARRAY_BUFFER, vbo);
  for (const GLVertexAttribute& a : VertexLayoutOf(fvf).attributes) {
    if (a.enabled) {
      gl->glEnableVertexAttribArray(a.location);
      gl->glVertexAttribPointer(
          a.location, a.size, a.type, a.normalized, static_cast<GLsizei>(stride),
          reinterpret_cast<const void*>(static_cast<std::uintptr_t>(streamOffset + a.offset)));
    } else {
      gl->glDisableVertexAttribArray(a.location);
      if (a.hasConstant)
        functions->glVertexAttrib4f(a.location, a.constant[0], a.constant[1], a.constant[2],
                                    a.constant[3]);
    }
  }
  shadow_.vbo = vbo, shadow_.fvf = fvf, shadow_.stride = stride, shadow_.offset = streamOffset;
}

HRESULT GLDevice9::PrepareDraw(GLuint vbo, UINT streamOffset, UINT stride) {
  if (!shadow_.known) ApplyContextSetup();
  GLTexture9* textures[kFFStages];
  bool bound[kFFStages];
  for (int i = 0; i < kFFStages; ++i) {
    textures[i] = dynamic_cast<GLTexture9*>(state_.textures[i].Get());
    bound[i] = textures[i] != nullptr;
  }
  const FFKey key = FixedFunctionKey(state_, bound);
  FFProgram* program = ff_->Program(key);
  if (!program) return D3DERR_DRIVERINTERNALERROR;
  if (!shadow_.known || shadow_.program != program->id) {
    core_->gl()->glUseProgram(program->id);
    shadow_.program = program->id;
  }
  UploadUniforms(program);
  ApplyFixedState(key.pretransformed);
  for (int i = 0; i < kFFStages; ++i) {
    // A stage the program does not sample keeps whatever its unit holds.
    if (!key.stages[i].textured && i > 0) continue;
    BindTexture(i, key.stages[i].textured ? textures[i]->Id() : 0);
    ApplySampler(i);
  }
  BindVertexLayout(state_.fvf, vbo, streamOffset, stride);
  shadow_.known = true;
  return D3D_OK;
}

HRESULT GLDevice9::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                 UINT PrimitiveCount) {
  if (lost_) return D3D_OK;  // as on Direct3D, a lost device accepts drawing and does nothing
  if (!Drawable()) return D3DERR_DEVICELOST;
  const GLenum mode = PrimitiveMode(PrimitiveType);
  const DWORD fvf = state_.fvf;
  auto* vb = dynamic_cast<GLVertexBuffer9*>(state_.stream.buffer.Get());
  if (!inScene_ || !KnownPrimitive(PrimitiveType) || !vb || state_.stream.stride == 0 ||
      D3DXGetFVFVertexSize(fvf) == 0)
    return D3DERR_INVALIDCALL;
  if (PrimitiveCount == 0) return D3D_OK;
  if (PrimitiveCount > kMaxPrimitives) return D3DERR_INVALIDCALL;
  const UINT count = VertexCount(PrimitiveType, PrimitiveCount);
  const std::uint64_t end =
      state_.stream.offset +
      (static_cast<std::uint64_t>(StartVertex) + count - 1) * state_.stream.stride +
      D3DXGetFVFVertexSize(fvf);
  if (end > vb->Buffer().Length()) return D3DERR_INVALIDCALL;
  if (!core_->MakeCurrent()) return D3DERR_DEVICELOST;
  if (HRESULT hr = PrepareDraw(vb->Buffer().Id(), state_.stream.offset, state_.stream.stride);
      FAILED(hr))
    return hr;
  core_->gl()->glDrawArrays(mode, static_cast<GLint>(StartVertex), static_cast<GLsizei>(count));
  return D3D_OK;
}

HRESULT GLDevice9::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT,
                                        UINT, UINT StartIndex, UINT PrimitiveCount) {
  if (lost_) return D3D_OK;  // as on Direct3D, a lost device accepts drawing and does nothing
  if (!Drawable()) return D3DERR_DEVICELOST;
  const GLenum mode = PrimitiveMode(PrimitiveType);
  const DWORD fvf = state_.fvf;
  auto* vb = dynamic_cast<GLVertexBuffer9*>(state_.stream.buffer.Get());
  auto* ib = dynamic_cast<GLIndexBuffer9*>(state_.indices.Get());
  if (!inScene_ || !KnownPrimitive(PrimitiveType) || !vb || !ib || state_.stream.stride == 0 ||
      D3DXGetFVFVertexSize(fvf) == 0)
    return D3DERR_INVALIDCALL;
  if (PrimitiveCount == 0) return D3D_OK;
  if (PrimitiveCount > kMaxPrimitives) return D3DERR_INVALIDCALL;
  const UINT count = VertexCount(PrimitiveType, PrimitiveCount);
  const UINT isize = ib->IndexSize();
  if ((static_cast<std::uint64_t>(StartIndex) + count) * isize > ib->Buffer().Length())
    return D3DERR_INVALIDCALL;
  // No index may reach past the vertex buffer: GL would read beyond it.
  auto fits = [&](UINT maxIndex) {
    const std::int64_t last = static_cast<std::int64_t>(BaseVertexIndex) + maxIndex;
    return BaseVertexIndex >= 0 && state_.stream.offset +
                                           static_cast<std::uint64_t>(last) * state_.stream.stride +
                                           D3DXGetFVFVertexSize(fvf) <=
                                       vb->Buffer().Length();
  };
  if (!fits(ib->WholeMaxIndex()) && !fits(ib->MaxIndex(StartIndex, count)))
    return D3DERR_INVALIDCALL;
  if (!core_->MakeCurrent()) return D3DERR_DEVICELOST;
  if (HRESULT hr = PrepareDraw(vb->Buffer().Id(), state_.stream.offset, state_.stream.stride);
      FAILED(hr))
    return hr;
  auto* gl = core_->gl();
  const GLuint ebo = ib->Buffer().Id();
  if (shadow_.ebo != ebo) {
    gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
    shadow_.ebo = ebo;
  }
  gl->glDrawElementsBaseVertex(
      mode, static_cast<GLsizei>(count), isize == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT,
      reinterpret_cast<const void*>(static_cast<std::uintptr_t>(StartIndex) * isize),
      BaseVertexIndex);
  return D3D_OK;
}

HRESULT GLDevice9::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                   const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) {
  if (lost_) return D3D_OK;  // as on Direct3D, a lost device accepts drawing and does nothing
  if (!Drawable()) return D3DERR_DEVICELOST;
  const GLenum mode = PrimitiveMode(PrimitiveType);
  const DWORD fvf = state_.fvf;
  if (!inScene_ || !KnownPrimitive(PrimitiveType) || !pVertexStreamZeroData ||
      VertexStreamZeroStride == 0 || D3DXGetFVFVertexSize(fvf) == 0)
    return D3DERR_INVALIDCALL;
  // As on Direct3D, the stream source is unset by a draw from memory.
  state_.stream = GLStream();
  if (PrimitiveCount == 0) return D3D_OK;
  if (PrimitiveCount > kMaxPrimitives) return D3DERR_INVALIDCALL;
  const UINT count = VertexCount(PrimitiveType, PrimitiveCount);
  if (!core_->MakeCurrent()) return D3DERR_DEVICELOST;
  auto* gl = core_->gl();
  gl->glBindBuffer(GL_COPY_WRITE_BUFFER, upBuffer_);
  gl->glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(count) * VertexStreamZeroStride,
                   pVertexStreamZeroData, GL_STREAM_DRAW);
  shadow_.vbo = 0xFFFFFFFF;  // same buffer name, new contents: re-point the attributes
  if (HRESULT hr = PrepareDraw(upBuffer_, 0, VertexStreamZeroStride); FAILED(hr)) return hr;
  gl->glDrawArrays(mode, 0, static_cast<GLsizei>(count));
  return D3D_OK;
}

QImage GLDevice9::GrabBackBuffer() {
  if (!core_ || !core_->MakeCurrent()) return {};
  auto* gl = core_->gl();
  const auto w = static_cast<int>(pp_.BackBufferWidth), h = static_cast<int>(pp_.BackBufferHeight);
  gl->glDisable(GL_SCISSOR_TEST);
  if (msFbo_) ResolveInto(fbo_);
  QImage image(w, h, QImage::Format_ARGB32);
  gl->glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
  gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
  gl->glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, image.bits());
  if (!D3DFormatHasAlpha(pp_.BackBufferFormat))
    for (int y = 0; y < h; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
      for (int x = 0; x < w; ++x) row[x] |= 0xFF000000u;
    }
  InvalidateStateCache();
  return image;
}
