// Window procedures that are objects: a subclassed window's chain lives in a property of the
// window, and one plain procedure calls its head. The chain's last link is the window's own
// procedure from before, reached through Windows' CallWindowProcA.
#include <map>
#include <memory>
#include <utility>

#include "platform/window/winuser.h"

namespace {

constexpr const char* kChainProperty = "ZelmarProcedureChain";

struct Chain {
  WNDPROC original = nullptr;  // the procedure the window had before its first subclassing
  WindowProcedure head;
};

Chain* ChainOf(HWND hwnd) {
  return static_cast<Chain*>(GetPropA(hwnd, kChainProperty));
}

LRESULT CALLBACK ChainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Chain* chain = ChainOf(hwnd);
  if (!chain) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    // The last message: the window gives its procedure back and the chain goes.
    const WNDPROC original = chain->original;
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropA(hwnd, kChainProperty);
    const WindowProcedure head = std::move(chain->head);
    delete chain;
    return head ? head(hwnd, msg, wParam, lParam)
                : CallWindowProcA(original, hwnd, msg, wParam, lParam);
  }
  const WindowProcedure head = chain->head;  // a procedure may replace itself while it runs
  return head(hwnd, msg, wParam, lParam);
}

}  // namespace

WindowProcedure SubclassWindow(HWND hwnd, WindowProcedure proc) {
  if (!IsWindow(hwnd)) return {};
  Chain* chain = ChainOf(hwnd);
  if (!chain) {
    chain = new Chain;
    chain->original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    const WNDPROC original = chain->original;
    chain->head = [original](HWND h, UINT m, WPARAM w, LPARAM l) {
      return CallWindowProcA(original, h, m, w, l);
    };
    SetPropA(hwnd, kChainProperty, chain);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChainProc));
  }
  WindowProcedure previous = std::move(chain->head);
  if (proc) {
    chain->head = std::move(proc);
  } else {
    const WNDPROC original = chain->original;
    chain->head = [original](HWND h, UINT m, WPARAM w, LPARAM l) {
      return CallWindowProcA(original, h, m, w, l);
    };
  }
  return previous;
}

LRESULT CallWindowProcA(const WindowProcedure& prev, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return prev ? prev(hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

namespace {

// Procedures of timers set with one, by window and id.
std::map<std::pair<HWND, UINT_PTR>, TimerProcedure>& TimerProcedures() {
  static std::map<std::pair<HWND, UINT_PTR>, TimerProcedure> procedures;
  return procedures;
}

void CALLBACK TimerThunk(HWND hwnd, UINT msg, UINT_PTR id, DWORD time) {
  auto it = TimerProcedures().find({hwnd, id});
  if (it == TimerProcedures().end()) return;
  const TimerProcedure proc = it->second;  // it may kill its own timer
  proc(hwnd, msg, id, time);
}

}  // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TimerProcedure proc) {
  if (!proc) return ::SetTimer(hwnd, id, elapseMs, nullptr);
  const UINT_PTR made = ::SetTimer(hwnd, id, elapseMs, &TimerThunk);
  if (made) TimerProcedures()[{hwnd, hwnd ? id : made}] = std::move(proc);
  return made;
}
