#include "support/GLDeviceWindow.h"

#include <QGuiApplication>
#include <QTest>
#include <string>

#include "platform/render/gl/GLBackend.h"

void EnsureGuiApplication(const char* Name) {
  if (qGuiApp) return;
  // QGuiApplication keeps argc and argv for its lifetime.
  static std::string Stored;
  static int argc = 1;
  static char* argv[] = {nullptr, nullptr};
  Stored = Name;
  argv[0] = Stored.data();
  new QGuiApplication(argc, argv);
}

::testing::AssertionResult GLDeviceWindow::Open(TW9DirectX& DX, const char* AppName, int Width,
                                                int Height) {
  EnsureGuiApplication(AppName);
  UseGLDirect3DBackend();
  DX.D3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
  if (!DX.D3D) return ::testing::AssertionFailure() << "Direct3DCreate9 gave no object";
  Window = std::make_unique<QWindow>();
  Window->setSurfaceType(QSurface::OpenGLSurface);
  Window->resize(Width, Height);
  Window->show();
  if (!QTest::qWaitForWindowExposed(Window.get()))
    return ::testing::AssertionFailure() << "the test window was never exposed";
  D3DPRESENT_PARAMETERS& Params = DX.PresentParams;
  Params.BackBufferWidth = static_cast<UINT>(Width);
  Params.BackBufferHeight = static_cast<UINT>(Height);
  Params.BackBufferFormat = D3DFMT_A8R8G8B8;
  Params.BackBufferCount = 1;
  Params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  Params.Windowed = TRUE;
  Params.EnableAutoDepthStencil = TRUE;
  Params.AutoDepthStencilFormat = D3DFMT_D24S8;
  const D3DDEVTYPE Type = SUCCEEDED(DX.D3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &DX.Caps))
                              ? D3DDEVTYPE_HAL
                              : D3DDEVTYPE_REF;
  DX.D3D->GetDeviceCaps(0, Type, &DX.Caps);
  // CreateDevice may write back into the parameters it is given; DX keeps what was asked for.
  D3DPRESENT_PARAMETERS Copy = Params;
  const HRESULT Result =
      DX.D3D->CreateDevice(0, Type, static_cast<HWND>(Window->winId()),
                           D3DCREATE_HARDWARE_VERTEXPROCESSING, &Copy, &DX.Device);
  if (Result != D3D_OK)
    return ::testing::AssertionFailure()
           << std::hex << "CreateDevice failed with 0x" << static_cast<unsigned long>(Result);
  DX.Started = true;
  return ::testing::AssertionSuccess();
}

void GLDeviceWindow::Close(TW9DirectX& DX) {
  DX.Device = nullptr;
  DX.D3D = nullptr;
  Window.reset();
}

QImage EndFrameAndGrab(TW9DirectX& DX, const char* Name) {
  DX.Device->EndScene();
  QImage Image = GLGrabBackBuffer(DX.Device.Get());
  if (const char* Dir = std::getenv("ZELMAR_PIXEL_DIR"))
    Image.save(QString::fromStdString(std::string(Dir) + "/" + Name + ".png"));
  return Image;
}
