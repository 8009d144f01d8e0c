// What a GL device and the resources it made share: the context (kept alive until the last
// resource is gone, so that every resource can free its GL objects) and the counts that
// Reset checks. Resources hold a Ref to it, never to the device itself.
#pragma once

#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QPointer>
#include <QWindow>
#include <memory>

#include "platform/render/Ref.h"

class GLDevice9;

class GLCore final : public RefCounted {
 public:
  GLCore(std::unique_ptr<QOpenGLContext> context, QWindow* surface,
         std::unique_ptr<QWindow> ownedSurface, std::unique_ptr<QWindow> ownedForeign);
  ~GLCore() override;

  // Makes the context current on its window unless it already is. False when the window is
  // gone (the device is then lost).
  bool MakeCurrent();
  QOpenGLFunctions_3_3_Core* gl() const { return gl_; }
  QOpenGLContext* context() const { return context_.get(); }
  QWindow* surface() const { return surface_; }

  GLDevice9* device = nullptr;  // the device, while it exists
  // Default-pool resources, state blocks and swap-chain surfaces alive: Reset refuses while
  // any is.
  int defaultPoolObjects = 0;

 private:
  std::unique_ptr<QOpenGLContext> context_;
  QPointer<QWindow> surface_;
  std::unique_ptr<QWindow> ownedSurface_;
  std::unique_ptr<QWindow> ownedForeign_;
  QOpenGLFunctions_3_3_Core* gl_ = nullptr;
};
