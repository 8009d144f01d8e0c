#include <gtest/gtest.h>

#include <QGuiApplication>
#include <iostream>
#include <sstream>

#include "engine/TW9DirectX.h"
#include "engine/d3d/DeviceReport.h"
#include "platform/render/gl/GLBackend.h"

namespace {

QGuiApplication& Application() {
  static int argc = 1;
  static char name[] = "engine_d3d_gl_test";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* application = new QGuiApplication(argc, argv);
  return *application;
}

TEST(GLEnumeration, SaverFindsAConfigurationOnThisDisplay) {
  Application();
  Ref<IDirect3D9> d3d = CreateGLDirect3D9();
  ASSERT_TRUE(d3d);

  TW9DirectX framework;
  framework.D3D = d3d;
  TD3DEnumeration& enumeration = framework.d3dEnumeration();
  enumeration.AppUsesDepthBuffer = true;
  enumeration.SetD3D(d3d);
  enumeration.ConfirmDeviceCallback = [&](const D3DCAPS9& Caps, TVertexProcessingType Type,
                                          D3DFORMAT Adapter, D3DFORMAT BackBuffer) {
    return framework.ConfirmDeviceFilter(Caps, Type, Adapter, BackBuffer);
  };
  ASSERT_EQ(enumeration.Enumerate(), S_OK);
  ASSERT_FALSE(enumeration.AdapterInfos.empty());
  ASSERT_EQ(framework.ChooseInitialSettings(), S_OK);
  // Xvfb renders through a software rasterizer, which the backend reports as REF.
  EXPECT_EQ(framework.d3dSettings().DeviceType(), D3DDEVTYPE_REF);
  EXPECT_TRUE(framework.d3dSettings().Windowed);
  EXPECT_NE(framework.d3dSettings().DepthStencilFormat(), D3DFMT_UNKNOWN);

  std::ostringstream report;
  EXPECT_EQ(PrintDeviceReport(d3d, report), S_OK);
  std::cout << report.str();
  EXPECT_NE(report.str().find("Adapter 0: "), std::string::npos);
  EXPECT_NE(report.str().find("Device REF"), std::string::npos);
  EXPECT_NE(report.str().find("  windowed: adapter 0, REF"), std::string::npos);
}

}  // namespace
