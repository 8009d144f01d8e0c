// "zelmar /c" as the host runs it, in a real X server, driven by real pointer and key events
// (xdotool): the dialog, its message box, its owner, and the settings file it leaves.
// gtest before Xlib: Xlib's macros (None, Bool) break gtest's headers.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
// clang-format on
#include <cstdlib>
#include <string>
#include <vector>

#include "registry/TempHive.h"
#include "support/SettingsFile.h"
#include "support/ZelmarProcess.h"

namespace {

const std::string kFullHive = SettingsFile()
                                  .Set("Install_Dir", "/opt/zelmar")
                                  .Set({{"Texture_Quality", 2},
                                        {"Object_Quality", 2},
                                        {"Select_Planet", 1},
                                        {"Planet_Speed", 3},
                                        {"Move_Speed", 8},
                                        {"Zelmar_Type", 1},
                                        {"Planetary_Data", 0},
                                        {"FPS", 1},
                                        {"Glare", 0},
                                        {"Lens_Flare", 0},
                                        {"Corona", 0}});

// Where to click, in the dialog's client coordinates (the middle of each button).
constexpr int kCancel[] = {80 + 36, 384 + 12};
constexpr int kApply[] = {160 + 36, 384 + 12};
constexpr int kOk[] = {8 + 32, 384 + 12};
constexpr int kVeryHigh[] = {240 + 224 + 32, 208 + 32 + 12};

void Xdotool(const std::string& args) {
  ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args;
}

class ConfigMode : public ::testing::Test {
 protected:
  void SetUp() override {
    dpy_ = XOpenDisplay(nullptr);
    ASSERT_TRUE(dpy_) << "no X display";
  }
  void TearDown() override {
    if (zelmar_.Running()) Finish();
    if (dpy_) XCloseDisplay(dpy_);
  }

  void Start(std::vector<std::string> args) {
    args.insert(args.begin(), ZELMAR_EXE);
    ASSERT_TRUE(zelmar_.Start(args));
  }
  Result Finish() {
    const int status = zelmar_.Wait();
    return {status, zelmar_.Stderr()};
  }

  // A mapped top-level window with this title, or 0.
  Window FindShown(const std::string& title) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
      XWindowAttributes attr;
      char* name = nullptr;
      if (XGetWindowAttributes(dpy_, children[i], &attr) && attr.map_state == IsViewable &&
          XFetchName(dpy_, children[i], &name) && name) {
        if (title == name) found = children[i];
      }
      if (name) XFree(name);
    }
    if (children) XFree(children);
    return found;
  }
  // Waits (bounded, so that a failure cannot hang the run) for the window to be shown.
  Window WaitShown(const std::string& title) {
    Window w = 0;
    for (int i = 0; i < 2000 && !(w = FindShown(title)); ++i) usleep(10000);
    return w;
  }
  void ClickAt(Window w, const int (&at)[2]) {
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(dpy_, w, DefaultRootWindow(dpy_), at[0], at[1], &x, &y, &child);
    Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    usleep(50000);  // pointer and clicks as a person makes them, not all in one burst
  }

  Display* dpy_ = nullptr;
  ZelmarProcess zelmar_;
  TempHive hive;
};

}  // namespace

TEST_F(ConfigMode, NoSwitchOpensTheDialogAndCancelLeavesTheSettingsByteForByte) {
  hive.Write(kFullHive);
  Start({});
  Window w = WaitShown("Configuration");
  ASSERT_TRUE(w);
  XWindowAttributes attr;
  ASSERT_TRUE(XGetWindowAttributes(dpy_, w, &attr));
  EXPECT_EQ(attr.width, 545);
  EXPECT_EQ(attr.height, 422);
  ClickAt(w, kCancel);
  Result r = Finish();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(hive.Read(), kFullHive);
}

TEST_F(ConfigMode, VeryHighApplyAndOkWriteTheSettingsAndEndTheProgram) {
  hive.Write(kFullHive);
  Start({"/c"});
  Window w = WaitShown("Configuration");
  ASSERT_TRUE(w);
  ClickAt(w, kVeryHigh);
  ClickAt(w, kApply);
  std::string applied = hive.Read();
  for (int i = 0; i < 2000 && applied == kFullHive; ++i) {  // bounded wait for the write
    usleep(10000);
    applied = hive.Read();
  }
  EXPECT_NE(applied.find("\"Texture_Quality\"=dword:00000000\n\"Object_Quality\"=dword:00000000"),
            std::string::npos)
      << applied;
  // Written to the user's key, whole, in the dialog's write order.
  EXPECT_NE(applied.find("[HKEY_CURRENT_USER\\Software\\Zelmar]\n"), std::string::npos) << applied;
  EXPECT_NE(applied.find("\"Corona\"=dword:00000001\n\"Lens_Flare\"=dword:00000001\n"
                         "\"Glare\"=dword:00000001\n"),
            std::string::npos)
      << applied;
  EXPECT_NE(applied.find("\"Move_Speed\"=dword:00000008"), std::string::npos);
  ClickAt(w, kOk);
  Result r = Finish();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(hive.Read(), applied);
}

TEST_F(ConfigMode, AMistypedValueShowsTheMessageFirstThenTheDialog) {
  std::string text = kFullHive;
  const std::string fps = "\"FPS\"=dword:00000001";
  text.replace(text.find(fps), fps.size(), "\"FPS\"=\"yes\"");
  hive.Write(text);
  Start({"/C"});
  Window box = WaitShown("Zelmar");
  ASSERT_TRUE(box);
  EXPECT_FALSE(FindShown("Configuration"));
  XWindowAttributes attr;
  ASSERT_TRUE(XGetWindowAttributes(dpy_, box, &attr));
  const int middle[] = {attr.width / 2, attr.height / 2};
  ClickAt(box, middle);  // focus the box
  Xdotool("key Return");
  Window w = WaitShown("Configuration");
  ASSERT_TRUE(w);
  ClickAt(w, kCancel);
  Result r = Finish();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(hive.Read(), text);
}

TEST_F(ConfigMode, TheHostWindowOfSlashCColonHandleOwnsTheDialog) {
  hive.Write(kFullHive);
  Window host = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 200, 100, 0, 0, 0);
  XMapWindow(dpy_, host);
  XSync(dpy_, False);
  struct Case {
    std::string arg;
    Window owner;
  };
  for (const Case& c : {Case{"/c:" + std::to_string(host), host},
                        Case{"-C:0x" +
                                 [&] {
                                   char buf[16];
                                   std::snprintf(buf, sizeof buf, "%lx", host);
                                   return std::string(buf);
                                 }(),
                             host},
                        Case{"/c:12345", 0}, Case{"/c:banana", 0}}) {
    SCOPED_TRACE(c.arg);
    Start({c.arg});
    Window w = WaitShown("Configuration");
    ASSERT_TRUE(w);
    Window owner = 0;
    if (!XGetTransientForHint(dpy_, w, &owner)) owner = 0;
    EXPECT_EQ(owner == host, c.owner == host);
    ClickAt(w, kCancel);
    Result r = Finish();
    EXPECT_EQ(r.status, 0) << r.err;
  }
  XDestroyWindow(dpy_, host);
}

TEST_F(ConfigMode, WithoutADisplayItSaysSoAndFails) {
  hive.Write(kFullHive);
  const std::string display = std::getenv("DISPLAY");
  for (const char* value : {"", ":97"}) {
    setenv("DISPLAY", value, 1);
    Result r = RunZelmar({ZELMAR_EXE, "/c"});
    EXPECT_EQ(r.status, 2) << value;
    EXPECT_NE(r.err.find("zelmar: the configuration dialog needs a display"), std::string::npos)
        << r.err;
  }
  setenv("DISPLAY", display.c_str(), 1);
  EXPECT_EQ(hive.Read(), kFullHive);
}
