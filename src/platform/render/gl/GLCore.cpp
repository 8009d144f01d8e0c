#include "platform/render/gl/GLCore.h"

#include <QOpenGLVersionFunctionsFactory>

GLCore::GLCore(std::unique_ptr<QOpenGLContext> context, QWindow* surface,
               std::unique_ptr<QWindow> ownedSurface, std::unique_ptr<QWindow> ownedForeign)
    : context_(std::move(context)),
      surface_(surface),
      ownedSurface_(std::move(ownedSurface)),
      ownedForeign_(std::move(ownedForeign)) {
  gl_ = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context_.get());
  if (gl_ && MakeCurrent()) gl_->initializeOpenGLFunctions();
}

GLCore::~GLCore() {
  if (context_ && QOpenGLContext::currentContext() == context_.get()) context_->doneCurrent();
  context_.reset();
  ownedSurface_.reset();
  ownedForeign_.reset();
}

bool GLCore::MakeCurrent() {
  if (!context_ || !surface_) return false;
  if (QOpenGLContext::currentContext() == context_.get() &&
      context_->surface() == static_cast<QSurface*>(surface_.data()))
    return true;
  return context_->makeCurrent(surface_);
}
