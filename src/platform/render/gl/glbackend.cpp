#include "platform/render/gl/glbackend.h"

#include <QGuiApplication>

#include "platform/render/gl/gldevice.h"
#include "platform/render/gl/gldirect3d9.h"

Ref<IDirect3D9> CreateGLDirect3D9() {
  if (!qGuiApp) return nullptr;
  return MakeRef<GLDirect3D9>();
}

void UseGLDirect3DBackend() {
  SetDirect3DBackend(&CreateGLDirect3D9);
}

QImage GLGrabBackBuffer(IDirect3DDevice9* device) {
  auto* gl = dynamic_cast<GLDevice9*>(device);
  return gl ? gl->GrabBackBuffer() : QImage();
}

void GLResetStateCache(IDirect3DDevice9* device) {
  if (auto* gl = dynamic_cast<GLDevice9*>(device)) gl->InvalidateStateCache();
}

UINT GLCompiledPrograms(IDirect3DDevice9* device) {
  auto* gl = dynamic_cast<GLDevice9*>(device);
  return gl ? gl->ProgramsCompiled() : 0;
}

void GLLoseDevice(IDirect3DDevice9* device) {
  if (auto* gl = dynamic_cast<GLDevice9*>(device)) gl->Lose();
}
