// A top-level window of the window layer: a QWindow whose handle is its X window id, with a
// Windows-style procedure chain, styles and the messages of winuser.h made from its Qt events.
// The saver window owns one; the framework reaches it only through its handle. The surface is
// an OpenGL surface (QSurfaceFormat::defaultFormat(), raised to 3.3 core) so that a render
// device can be created on it later without recreating the window; a GL context made for it
// should start from its format().
// Delete a window before the toolkit's application, and never from inside one of its own
// messages (use deleteLater() there).
// A WS_CHILD window made with a parent handle lives inside that window, which may belong to
// another program (a host that lends us its window to draw in): it is never activated, has no
// frame, and with WS_DISABLED lets all input through to the window under it.
#pragma once

#include <QPoint>
#include <QWindow>
#include <vector>

#include "platform/window/winuser.h"

class TWindow : public QWindow {
 public:
  explicit TWindow(DWORD style = WS_OVERLAPPEDWINDOW, DWORD exStyle = 0, HWND parent = 0);
  ~TWindow() override;

  HWND Handle() const { return handle_; }
  // The live window of a handle, or null (unknown handle, destroyed window).
  static TWindow* FromHandle(HWND hwnd);
  static std::vector<TWindow*> All();

  // Style bits as GetWindowLongA reports them: WS_VISIBLE, WS_MINIMIZE and WS_MAXIMIZE follow
  // the window's state, the others are the stored ones that shape the frame.
  DWORD Style() const;
  void SetStyle(DWORD style);
  DWORD ExStyle() const;
  void SetExStyle(DWORD exStyle);
  HMENU Menu() const { return menu_; }
  void SetMenu(HMENU menu) { menu_ = menu; }
  LONG_PTR UserData() const { return userData_; }
  void SetUserData(LONG_PTR data) { userData_ = data; }

  WindowProcedure Subclass(WindowProcedure proc);
  // Through the procedure chain, as SendMessageA.
  LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam);
  // A queued message: the application's message hook first, then the procedure chain.
  void Deliver(UINT msg, WPARAM wParam, LPARAM lParam, QPoint screenPos);

  RECT WindowRect() const;
  RECT ClientRect() const;
  BOOL Place(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
  BOOL ShowCmd(int cmdShow);

  // DestroyWindow: WM_DESTROY, then the window leaves the handle table and is hidden. Windows
  // made by CreateWindowExA are deleted too; others stay with their owner.
  BOOL DestroyByRequest();
  bool Destroyed() const { return destroyed_; }
  void SetOwnedByLayer(bool owned) { ownedByLayer_ = owned; }

 protected:
  bool event(QEvent* event) override;

 private:
  void ApplyFlags();
  bool IsFrameless() const;
  bool IsChild() const { return (style_ & WS_CHILD) != 0 && parent() != nullptr; }
  void MouseMessage(UINT msg, WPARAM wParam, QPoint global);
  void SizeMessage();
  void Activation(bool active, bool byMouse);

  HWND handle_ = 0;
  DWORD style_ = 0;
  DWORD exStyle_ = 0;
  HMENU menu_ = 0;
  LONG_PTR userData_ = 0;
  WindowProcedure proc_;
  bool destroyed_ = false;
  bool ownedByLayer_ = false;
  // The parent's stand-in when it is a window of another program.
  QWindow* foreignParent_ = nullptr;
  bool active_ = false;
  WPARAM lastSizeKind_ = ~WPARAM(0);
  QSize lastSize_;
};
