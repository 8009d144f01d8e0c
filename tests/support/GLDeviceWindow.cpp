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
  Ref<IDirect3D9> D3D;
  D3D.Attach(Direct3DCreate9(D3D_SDK_VERSION));
  if (!D3D) return ::testing::AssertionFailure() << "Direct3DCreate9 gave no object";
  DX.SetD3D(D3D);
  Window = std::make_unique<QWindow>();
  Window->setSurfaceType(QSurface::OpenGLSurface);
  Window->resize(Width, Height);
  Window->show();
  if (!QTest::qWaitForWindowExposed(Window.get()))
    return ::testing::AssertionFailure() << "the test window was never exposed";
  D3DPRESENT_PARAMETERS Params{};
  Params.BackBufferWidth = static_cast<UINT>(Width);
  Params.BackBufferHeight = static_cast<UINT>(Height);
  Params.BackBufferFormat = D3DFMT_A8R8G8B8;
  Params.BackBufferCount = 1;
  Params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  Params.Windowed = TRUE;
  Params.EnableAutoDepthStencil = TRUE;
  Params.AutoDepthStencilFormat = D3DFMT_D24S8;
  D3DCAPS9 Caps{};
  const D3DDEVTYPE Type =
      SUCCEEDED(D3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &Caps)) ? D3DDEVTYPE_HAL : D3DDEVTYPE_REF;
  D3D->GetDeviceCaps(0, Type, &Caps);
  // CreateDevice may write back into the parameters it is given; DX keeps what was asked for.
  D3DPRESENT_PARAMETERS Copy = Params;
  Ref<IDirect3DDevice9> Device;
  const HRESULT Result = D3D->CreateDevice(0, Type, static_cast<HWND>(Window->winId()),
                                           D3DCREATE_HARDWARE_VERTEXPROCESSING, &Copy, &Device);
  if (Result != D3D_OK)
    return ::testing::AssertionFailure()
           << std::hex << "CreateDevice failed with 0x" << static_cast<unsigned long>(Result);
  DX.AttachDevice(Device, Params, Caps);
  return ::testing::AssertionSuccess();
}

void GLDeviceWindow::Close(TW9DirectX& DX) {
  DX.DetachDevice();
  DX.SetD3D(nullptr);
  Window.reset();
}

QImage EndFrameAndGrab(TW9DirectX& DX, const char* Name) {
  DX.Device()->EndScene();
  QImage Image = GLGrabBackBuffer(DX.Device());
  if (const char* Dir = std::getenv("ZELMAR_PIXEL_DIR"))
    Image.save(QString::fromStdString(std::string(Dir) + "/" + Name + ".png"));
  return Image;
}
