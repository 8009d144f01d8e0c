#include "engine_framework/FrameworkFixture.h"

#include <QTest>

TApplication& App() {
  static int argc = 1;
  static char name[] = "engine_framework_test";
  static char* argv[] = {name, nullptr};
  static TApplication app(argc, argv);
  return app;
}

FrameworkTest::FrameworkTest() {
  App();
  SetMessageBoxHook([this](HWND, const std::string& Text, const std::string&, UINT Type) {
    Boxes.push_back({Text, Type});
    Journal.push_back("message box");
    return IDOK;
  });

  FWindow = std::make_unique<TWindow>(WS_OVERLAPPEDWINDOW);
  // The form's own procedure: notes what gets past the framework, and keeps the window when
  // asked to close so that a test can look at it afterwards.
  SubclassWindow(FWindow->Handle(), [this](HWND hwnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    MSG m{};
    m.hwnd = hwnd;
    m.message = Msg;
    m.wParam = wParam;
    m.lParam = lParam;
    FormMessages.push_back(m);
    if (Msg == WM_CLOSE) {
      Journal.push_back("close request");
      if (StopOnClose) DX->Stop();
      return LRESULT{0};
    }
    return DefWindowProcA(hwnd, Msg, wParam, lParam);
  });
  // Each test's window is the application's main window, so that the loop of a later test is
  // not ended by an earlier test's window going away.
  App().SetMainWindow(FWindow->Handle());
  PlaceWindow(100, 80, 320, 240);
  EXPECT_TRUE(QTest::qWaitForWindowExposed(FWindow.get()));

  Form = std::make_unique<TForm>();
  Form->SetHandle(FWindow->Handle());
  DX = new TW9DirectX(Form.get(), Clock);
  DX->Caption = "Zelmar";
  for (TWPool** Pool : {&Pool1, &Pool2}) {
    *Pool = new TWPool(Form.get());
    (*Pool)->SetDX(DX);
    (*Pool)->SetActive(true);
    new PhaseProbe(&(*Pool)->WLines(), Pool == &Pool1 ? "pool1" : "pool2", &Journal);
  }

  auto note = [this](const char* What) {
    return [this, What](TW9DirectX*) {
      Journal.push_back(What);
      return S_OK;
    };
  };
  DX->OnOneTimeSceneInit = note("one-time init");
  DX->OnInitDeviceObjects = note("form init");
  DX->OnRestoreDeviceObjects = note("form restore");
  DX->OnInvalidateDeviceObjects = note("form invalidate");
  DX->OnDeleteDeviceObjects = note("form delete");
  DX->OnAfterStart = [this](TW9DirectX*) { Journal.push_back("after start"); };
  DX->OnAfterStop = [this](TW9DirectX*) { Journal.push_back("after stop"); };
  DX->OnFinalCleanup = [this](TW9DirectX*) { Journal.push_back("final cleanup"); };
  DX->OnSwitchedMode = [this](TW9DirectX*, bool Windowed) {
    Journal.push_back(Windowed ? "switched windowed" : "switched full screen");
  };
  DX->OnFrameMove = [this](TW9DirectX*) {
    ++FrameMoves;
    Journal.push_back("frame move");
    return S_OK;
  };
  DX->OnRender = [this](TW9DirectX*, bool& DefaultPresent) {
    ++Renders;
    Journal.push_back("render");
    DefaultPresent = RenderPresents;
    return RenderResult;
  };
}

FrameworkTest::~FrameworkTest() {
  if (DX) DX->Stop();
  Form.reset();
  SubclassWindow(FWindow->Handle(), DefWindowProcA);
  FWindow.reset();
  SetMessageBoxHook({});
  SetDirect3DBackend({});
  App().SetOnIdle({});
}

void FrameworkTest::Load(const FakeMachine& Machine) {
  D3D = MakeRef<FakeDirect3D9>(Machine);
  D3D->Recorder().LogQueries = false;
  SetFakeDirect3DBackend(D3D);
  Form->Loaded();
}

void FrameworkTest::LoadAndStart(const FakeMachine& Machine) {
  Load(Machine);
  ASSERT_TRUE(DX->D3D());
  ASSERT_EQ(S_OK, DX->Start());
  ASSERT_TRUE(DX->Started());
  Journal.clear();
  Renders = FrameMoves = 0;
}

HRESULT FrameworkTest::Frame() {
  Clock->Advance(0.1);
  return DX->RenderEnvironment();
}

void FrameworkTest::PlaceWindow(int X, int Y, int Width, int Height) {
  SetWindowPos(FWindow->Handle(), HWND_TOP, X, Y, Width, Height, SWP_SHOWWINDOW);
}

int FrameworkTest::Seen(UINT Msg) const {
  int Count = 0;
  for (const MSG& m : FormMessages) Count += m.message == Msg;
  return Count;
}

TJournal FrameworkTest::JournalFrom(std::size_t Index) const {
  return Index < Journal.size()
             ? TJournal(Journal.begin() + static_cast<long>(Index), Journal.end())
             : TJournal{};
}
