// The window layer on Windows: the application loop's hooks, procedure chains and the
// message-box hook, against Windows' own windows and queue.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/window/TApplication.h"
#include "platform/window/winuser.h"

namespace {

constexpr UINT kProbe = WM_USER + 7;

HWND MakeWindow(HWND parent = nullptr) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZelmarTestWindow";
    return RegisterClassA(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return CreateWindowExA(0, "ZelmarTestWindow", "test", parent ? WS_CHILD : WS_OVERLAPPED, 0, 0, 64,
                         48, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

class WindowLayer : public ::testing::Test {
 protected:
  int argc = 1;
  char name[8] = "test";
  char* argv[2] = {name, nullptr};
  TApplication app{argc, argv};
};

}  // namespace

TEST_F(WindowLayer, IdleHookRunsUntilDoneAndTheMessageHookSeesQueuedMessagesFirst) {
  HWND window = MakeWindow();
  ASSERT_TRUE(window);
  app.SetMainWindow(window);
  std::vector<UINT> hooked, delivered;
  SubclassWindow(window, [&](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == kProbe) delivered.push_back(static_cast<UINT>(w));
    return DefWindowProcA(h, msg, w, l);
  });
  app.SetOnMessage([&](MSG& msg, bool& handled) {
    if (msg.message != kProbe) return;
    hooked.push_back(static_cast<UINT>(msg.wParam));
    handled = msg.wParam == 2;  // the hook keeps this one from the window
  });
  int idleCalls = 0;
  app.SetOnIdle([&](bool& done) {
    ++idleCalls;
    if (idleCalls == 1) {
      PostMessageA(window, kProbe, 1, 0);
      PostMessageA(window, kProbe, 2, 0);
    }
    // Not done three times: called again at once; then the window goes, which ends Run().
    done = idleCalls > 3;
    if (idleCalls == 5) DestroyWindow(window);
  });
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(idleCalls, 5);
  EXPECT_EQ(hooked, (std::vector<UINT>{1, 2}));
  EXPECT_EQ(delivered, (std::vector<UINT>{1}));
  EXPECT_TRUE(app.Terminated());
}

TEST_F(WindowLayer, RunEndsWhenAWindowOfAnotherThreadGoesAndOnTerminate) {
  // A host's window, as the preview gets it: made and destroyed by someone else.
  HWND host = nullptr;
  HANDLE made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE destroy = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    host = MakeWindow();
    SetEvent(made);
    WaitForSingleObject(destroy, INFINITE);
    DestroyWindow(host);
  });
  WaitForSingleObject(made, INFINITE);
  ASSERT_TRUE(host);
  HWND child = MakeWindow();
  app.SetMainWindow(host);
  int idleCalls = 0;
  app.SetOnIdle([&](bool& done) {
    if (++idleCalls == 2) SetEvent(destroy);
    done = true;
  });
  EXPECT_EQ(app.Run(), 0);
  EXPECT_GE(idleCalls, 2);
  owner.join();
  EXPECT_FALSE(IsWindow(host));

  app.SetMainWindow(child);
  EXPECT_FALSE(app.Terminated());
  app.SetOnIdle([&](bool&) { app.Terminate(3); });
  EXPECT_EQ(app.Run(), 3);
  DestroyWindow(child);
  CloseHandle(made);
  CloseHandle(destroy);
}

TEST_F(WindowLayer, ProcedureChainsCallThroughToTheClassProcedureAndUnwind) {
  HWND window = MakeWindow();
  ASSERT_TRUE(window);
  std::vector<int> order;
  WindowProcedure first, second;
  first = SubclassWindow(window, [&](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == kProbe) order.push_back(1);
    return CallWindowProcA(first, h, msg, w, l);
  });
  second = SubclassWindow(window, [&](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
    if (msg == kProbe) {
      order.push_back(2);
      if (w == 9) return 42;  // swallowed before the first hook
    }
    return CallWindowProcA(second, h, msg, w, l);
  });
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  // The class procedure (DefWindowProcA) answers 0 to a message it does not know.
  EXPECT_EQ(SendMessageA(window, kProbe, 0, 0), 0);
  EXPECT_EQ(SendMessageA(window, kProbe, 9, 0), 42);
  EXPECT_EQ(order, (std::vector<int>{2, 1, 2}));
  // Putting the previous procedure back takes the second hook out.
  SubclassWindow(window, second);
  order.clear();
  SendMessageA(window, kProbe, 9, 0);
  EXPECT_EQ(order, (std::vector<int>{1}));
  // Windows' own messages still work through the chain, and destruction unwinds it.
  EXPECT_TRUE(SetWindowTextA(window, "renamed"));
  char text[16] = {};
  GetWindowTextA(window, text, sizeof text);
  EXPECT_STREQ(text, "renamed");
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(SubclassWindow(window, {}));
}

TEST(WindowLayerMessageBox, TheHookSeesTheBoxInsteadOfTheUser) {
  std::string seen;
  SetMessageBoxHook([&](HWND, const std::string& text, const std::string& caption, UINT type) {
    seen = caption + ": " + text + (type & MB_ICONERROR ? " (error)" : "");
    return IDOK;
  });
  // Spelt as the engine and the dialog spell it: the window layer's header routes the name.
  EXPECT_EQ(MessageBoxA(nullptr, "Not enough memory.", "Zelmar", MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(seen, "Zelmar: Not enough memory. (error)");
  SetMessageBoxHook({});
}
