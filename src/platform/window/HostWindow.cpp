// clang-format off
#include "platform/window/HostWindow.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <xcb/xcb.h>

#include "platform/window/MonitorPower.h"
// clang-format on

namespace {

// Power saving has no events: its state is read this often while a DPMS server is in use.
constexpr int kMonitorPollMs = 1000;

}  // namespace

struct THostWindow::Private : QAbstractNativeEventFilter {
  THostWindow* Owner = nullptr;
  xcb_connection_t* Connection = nullptr;
  _XDisplay* Dpy = nullptr;
  xcb_window_t Host = 0;
  xcb_window_t Root = 0;
  std::vector<xcb_window_t> Ancestors;  // parent up to (not including) the root
  int Width = 0;
  int Height = 0;
  bool Viewable = false;
  bool Covered = false;
  bool MonitorOn = true;
  bool Destroyed = false;
  bool LastSeen = false;
  QTimer MonitorPoll;

  bool Seen() const { return !Destroyed && Viewable && !Covered && MonitorOn; }

  // Our events are added to what this connection already asks of the window (the toolkit's,
  // when the window is one of ours) and given back when the watch ends.
  struct TSavedMask {
    xcb_window_t Window;
    uint32_t Mask;
  };
  std::vector<TSavedMask> Saved;

  bool AddEvents(xcb_window_t Window, uint32_t Mask) {
    xcb_get_window_attributes_reply_t* Attributes = xcb_get_window_attributes_reply(
        Connection, xcb_get_window_attributes(Connection, Window), nullptr);
    if (!Attributes) return false;
    const uint32_t Old = Attributes->your_event_mask;
    std::free(Attributes);
    Saved.push_back({Window, Old});
    const uint32_t New = Old | Mask;
    xcb_change_window_attributes(Connection, Window, XCB_CW_EVENT_MASK, &New);
    return true;
  }

  void RestoreEvents(bool AncestorsOnly) {
    std::vector<TSavedMask> Kept;
    for (const TSavedMask& S : Saved) {
      if (AncestorsOnly && S.Window == Host) {
        Kept.push_back(S);
        continue;
      }
      xcb_change_window_attributes(Connection, S.Window, XCB_CW_EVENT_MASK, &S.Mask);
    }
    Saved = Kept;
  }

  // The chain of parents changes when a window manager frames or unframes the window.
  void WatchAncestors() {
    RestoreEvents(true);
    Ancestors.clear();
    xcb_window_t W = Host;
    for (int Depth = 0; Depth < 64; ++Depth) {
      xcb_query_tree_reply_t* Tree =
          xcb_query_tree_reply(Connection, xcb_query_tree(Connection, W), nullptr);
      if (!Tree) return;
      Root = Tree->root;
      const xcb_window_t Parent = Tree->parent;
      std::free(Tree);
      if (Parent == 0 || Parent == Root) break;
      Ancestors.push_back(Parent);
      AddEvents(Parent, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
      W = Parent;
    }
  }

  // False when the window is gone.
  bool ReadState() {
    xcb_get_window_attributes_reply_t* Attributes = xcb_get_window_attributes_reply(
        Connection, xcb_get_window_attributes(Connection, Host), nullptr);
    if (!Attributes) return false;
    Viewable = Attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(Attributes);
    xcb_get_geometry_reply_t* Geometry =
        xcb_get_geometry_reply(Connection, xcb_get_geometry(Connection, Host), nullptr);
    if (!Geometry) return false;
    Width = Geometry->width;
    Height = Geometry->height;
    std::free(Geometry);
    return true;
  }

  void ReadMonitor() { MonitorOn = ::MonitorOn(Dpy); }

  void ReportSeen() {
    const bool Now = Seen();
    if (Now == LastSeen) return;
    LastSeen = Now;
    if (Owner->OnSeenChanged) Owner->OnSeenChanged(Now);
  }

  void Gone() {
    if (Destroyed) return;
    Destroyed = true;
    MonitorPoll.stop();
    ReportSeen();
    if (Owner->OnDestroyed) Owner->OnDestroyed();
  }

  bool nativeEventFilter(const QByteArray& Type, void* Message, qintptr*) override {
    if (Destroyed || Type != "xcb_generic_event_t") return false;
    const auto* Event = static_cast<const xcb_generic_event_t*>(Message);
    switch (Event->response_type & 0x7F) {
      case XCB_CONFIGURE_NOTIFY: {
        const auto* E = reinterpret_cast<const xcb_configure_notify_event_t*>(Event);
        if (E->window != Host || (E->width == Width && E->height == Height)) break;
        Width = E->width;
        Height = E->height;
        if (Owner->OnResize) Owner->OnResize(Width, Height);
        break;
      }
      case XCB_MAP_NOTIFY:
      case XCB_UNMAP_NOTIFY: {
        // Both carry the window that changed at the same place.
        const auto* E = reinterpret_cast<const xcb_map_notify_event_t*>(Event);
        if (E->window != Host && !IsAncestor(E->window)) break;
        if (!ReadState()) {
          Gone();
          break;
        }
        ReportSeen();
        break;
      }
      case XCB_VISIBILITY_NOTIFY: {
        const auto* E = reinterpret_cast<const xcb_visibility_notify_event_t*>(Event);
        if (E->window != Host) break;
        Covered = E->state == XCB_VISIBILITY_FULLY_OBSCURED;
        ReportSeen();
        break;
      }
      case XCB_REPARENT_NOTIFY: {
        const auto* E = reinterpret_cast<const xcb_reparent_notify_event_t*>(Event);
        if (E->window != Host && !IsAncestor(E->window)) break;
        WatchAncestors();
        if (ReadState()) ReportSeen();
        break;
      }
      case XCB_DESTROY_NOTIFY: {
        const auto* E = reinterpret_cast<const xcb_destroy_notify_event_t*>(Event);
        if (E->window == Host) Gone();
        break;
      }
      default:
        break;
    }
    return false;  // the toolkit may want them too
  }

  bool IsAncestor(xcb_window_t W) const {
    for (xcb_window_t A : Ancestors)
      if (A == W) return true;
    return false;
  }
};

THostWindow::THostWindow() : d_(std::make_unique<Private>()) {
  d_->Owner = this;
}

THostWindow::~THostWindow() {
  if (qApp) qApp->removeNativeEventFilter(d_.get());
  if (!d_->Destroyed && d_->Connection && !xcb_connection_has_error(d_->Connection)) {
    d_->RestoreEvents(false);
    xcb_flush(d_->Connection);
  }
}

std::unique_ptr<THostWindow> THostWindow::Open(HWND host, std::string& problem) {
  auto* X11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!X11 || !X11->connection()) {
    problem = "drawing into another program's window needs an X11 display";
    return nullptr;
  }
  std::unique_ptr<THostWindow> Window(new THostWindow());
  Private& d = *Window->d_;
  d.Connection = X11->connection();
  d.Dpy = X11->display();
  d.Host = static_cast<xcb_window_t>(host);
  // Selected before the first look, so that no change falls between the look and the events.
  if (!d.AddEvents(d.Host, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_VISIBILITY_CHANGE) ||
      !d.ReadState()) {
    char Text[96];
    const auto Id = static_cast<unsigned long>(host);
    std::snprintf(Text, sizeof Text, "there is no window %lu (0x%lx) on this display", Id, Id);
    problem = Text;
    return nullptr;
  }
  d.WatchAncestors();
  if (HasMonitorPower(d.Dpy)) {
    d.ReadMonitor();
    QObject::connect(&d.MonitorPoll, &QTimer::timeout, [&d] {
      d.ReadMonitor();
      d.ReportSeen();
    });
    d.MonitorPoll.start(kMonitorPollMs);
  }
  d.LastSeen = d.Seen();
  qApp->installNativeEventFilter(&d);
  xcb_flush(d.Connection);
  return Window;
}

HWND THostWindow::Handle() const {
  return static_cast<HWND>(d_->Host);
}
int THostWindow::Width() const {
  return d_->Width;
}
int THostWindow::Height() const {
  return d_->Height;
}
bool THostWindow::Seen() const {
  return d_->Seen();
}
bool THostWindow::Destroyed() const {
  return d_->Destroyed;
}
