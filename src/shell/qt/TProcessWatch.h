// How a process that draws on X ends: on a signal, on the loss of the X server, and with the
// runtime folder it made for the toolkit. Screen-saver daemons start and stop many of these;
// each must end with a clear status, say no more than it must, and leave nothing behind.
#pragma once

#include <memory>

class TApplication;
class QSocketNotifier;

namespace zelmar {

class TProcessWatch {
 public:
  // First thing in a mode that draws, before the display is opened; once per process:
  // - SIGPIPE is ignored (a write to a closed connection fails where it is made);
  // - SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGXCPU and, unless whoever started us
  //   ignores them (nohup, a shell's background job), SIGHUP, SIGINT and SIGQUIT end the
  //   process with SignalExitCode and nothing left behind, also when they come while it is
  //   still starting or were blocked by whoever started it;
  // - when the session has no usable runtime folder, a private one of ours in an existing
  //   temporary folder ($TMPDIR, /tmp, /var/tmp), so that the toolkit makes none of its own
  //   (which it would leave behind, and where it cannot, at the root of the file system);
  // - when the toolkit cannot go on (it could not connect), one line and exit code 1, not an
  //   abort; QuietToolkit drops the toolkit's other messages (a daemon logs our stderr).
  static void Begin(int SignalExitCode, bool QuietToolkit = false);
  // Removes the runtime folder Begin made (nothing when it made none). Also done at exit.
  static void RemoveRuntimeFolder();

  // While it lives, once the application object exists: a signal ends the application's loop
  // with the code given to Begin (and, should the loop not come round, the process a little
  // later without tearing anything down); the loss of the X server says one line, removes the
  // runtime folder and exits 1 at once, whatever the toolkit, the X library or the GL driver
  // was about to do.
  explicit TProcessWatch(TApplication& App);
  ~TProcessWatch();
  TProcessWatch(const TProcessWatch&) = delete;
  TProcessWatch& operator=(const TProcessWatch&) = delete;

 private:
  std::unique_ptr<QSocketNotifier> FSignals;
};

}  // namespace zelmar
