// The monitor cover on Qt: black windows over every monitor but the one the saver's full-screen
// window covers, kept in step with the monitors as they come and go. Input on them reaches the
// application's message hook as if it had come to the saver's window, so that it ends the saver
// in the same way.
#pragma once

#include <QRasterWindow>
#include <map>
#include <memory>

#include "platform/window/winuser.h"
#include "shell/saver/TMonitorCover.h"

class QScreen;

namespace zelmar {

// One black window of the cover, over one monitor.
class TMonitorBlank : public QRasterWindow {
 public:
  TMonitorBlank(QScreen* Screen, HWND Saver);

 protected:
  void paintEvent(QPaintEvent* Event) override;
  bool event(QEvent* Event) override;

 private:
  HWND FSaver;
};

class TMonitorCoverQt : public TMonitorCover {
 public:
  // Covers every monitor but Saver's (shown full screen already) and follows the monitors from
  // then on.
  explicit TMonitorCoverQt(HWND Saver);
  ~TMonitorCoverQt() override;
  TMonitorCoverQt(const TMonitorCoverQt&) = delete;
  TMonitorCoverQt& operator=(const TMonitorCoverQt&) = delete;

  std::size_t Count() const { return FBlanks.size(); }

 private:
  void Update();

  HWND FSaver;
  std::map<QScreen*, std::unique_ptr<TMonitorBlank>> FBlanks;
  std::unique_ptr<QObject> FWatch;  // context of the connections to the application's signals
};

}  // namespace zelmar
