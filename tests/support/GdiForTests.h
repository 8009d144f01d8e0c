// What the window system's GDI needs before a test paints text without a window: on Linux our
// GDI paints with Qt, which wants a GUI application (on the offscreen platform, so no display is
// needed); Windows' own GDI needs nothing.
#pragma once

#if defined(_WIN32)

inline void EnsureGdiForTests(const char*) {}

#else

#include <QGuiApplication>

inline void EnsureGdiForTests(const char* ProgramName) {
  if (qGuiApp) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char* argv[] = {const_cast<char*>(ProgramName), nullptr};
  new QGuiApplication(argc, argv);
}

#endif
