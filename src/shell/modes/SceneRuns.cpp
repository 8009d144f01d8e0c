#include "shell/modes/SceneRuns.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "engine/FindMediaFile.h"
#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "platform/window/TApplication.h"
#include "scene/Ephemeris.h"
#include "scene/TZelmarScene.h"
#include "shell/modes/BareFrame.h"
#include "shell/modes/DrawingProcess.h"
#include "shell/modes/FrameReadBack.h"
#include "shell/modes/ProcessFigures.h"
#include "shell/modes/Warnings.h"
#include "shell/saver/TScrnFrm.h"

namespace zelmar {

namespace {

// The longest snapshot time: its frames are stepped one by one.
constexpr double kMaxSnapshotSeconds = 86400.0;
constexpr double kMaxBenchSeconds = 3600.0;

bool ParseSeconds(const std::string& Text, double Max, bool AllowZero, double& Seconds) {
  if (Text.empty()) return false;
  char* End = nullptr;
  const double Value = std::strtod(Text.c_str(), &End);
  if (*End != '\0' || !std::isfinite(Value) || Value > Max) return false;
  if (AllowZero ? Value < 0.0 : Value <= 0.0) return false;
  Seconds = Value;
  return true;
}

bool ParseSeed(const std::string& Text, std::uint32_t& Seed) {
  if (Text.empty() || Text.size() > 10 || Text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long long Value = std::strtoull(Text.c_str(), nullptr, 10);
  if (Value > 0xFFFFFFFFull) return false;
  Seed = static_cast<std::uint32_t>(Value);
  return true;
}

bool EndsWithPng(const std::string& File) {
  if (File.size() < 5) return false;
  std::string Tail = File.substr(File.size() - 4);
  for (char& C : Tail) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return Tail == ".png";
}

// The framework's clock for snapshots: it reads whatever time the run sets.
class TSteppedClock : public TWTimeSource {
 public:
  bool QueryPerformanceFrequency(std::int64_t* Frequency) override {
    *Frequency = 1000000;
    return true;
  }
  bool QueryPerformanceCounter(std::int64_t* Count) override {
    *Count = Microseconds;
    return true;
  }
  DWORD timeGetTime() override { return static_cast<DWORD>(Microseconds / 1000); }
  std::int64_t Microseconds = 0;
};

// The wall clock at a Julian day, read in Universal Time.
std::tm ClockAt(double JulianDay) {
  double Hours = 0.0;
  const TCalendarDate Date = CalendarDate(JulianDay, Hours);
  const int Seconds = std::min(static_cast<int>(Hours * 3600.0 + 1e-3), 86399);
  std::tm T{};
  T.tm_year = Date.Year - 1900;
  T.tm_mon = Date.Month - 1;
  T.tm_mday = Date.Day;
  T.tm_hour = Seconds / 3600;
  T.tm_min = Seconds / 60 % 60;
  T.tm_sec = Seconds % 60;
  T.tm_wday = static_cast<int>(static_cast<long long>(std::floor(JulianDay + 1.5)) % 7);
  return T;
}

const char* DisplayName(bool Brass) {
  return Brass ? "Brass" : "Space";
}

TScrnFrm::TRun RunFor(const TSceneRunOptions& O) {
  TScrnFrm::TRun Run;
  Run.Saver = false;
  Run.Seed = O.Seed;
  Run.Options = O.Settings;
  Run.Width = O.Width;
  Run.Height = O.Height;
  Run.SkyView = O.SkyView;
  return Run;
}

// Messages of the framework go to stderr: nobody is there to close a box.
void MessagesToStderr() {
  SetMessageBoxHook([](HWND, const std::string& Text, const std::string&, UINT) {
    Warn(Text);
    return IDOK;
  });
}

// Builds the window and starts rendering; null (with the reason on stderr) when it cannot.
std::unique_ptr<TScrnFrm> StartForm(const TScrnFrm::TRun& Run, TApplication& App,
                                    std::shared_ptr<TWTimeSource> Clock = nullptr) {
  auto Form = std::make_unique<TScrnFrm>(Run, std::move(Clock));
  if (!Form->SettingsProblem.empty()) Warn("settings: " + Form->SettingsProblem);
  if (!Form->WDirectX->D3D()) {
    std::fprintf(stderr, "zelmar: no usable render device on this display\n");
    return nullptr;
  }
  App.SetMainWindow(Form->Handle());
  Form->FormShow();
  if (!Form->WDirectX->Started()) {
    std::fprintf(stderr, "zelmar: the renderer did not start\n");
    return nullptr;
  }
  return Form;
}

int RunWindow(const TSceneRunOptions& O, TApplication& App) {
  std::unique_ptr<TScrnFrm> Form = StartForm(RunFor(O), App);
  if (!Form) return 1;
  const int Code = App.Run();
  Form.reset();
  return Code;
}

int RunSnapshot(const TSceneRunOptions& O, TApplication& App) {
  MessagesToStderr();
  auto Clock = std::make_shared<TSteppedClock>();
  TScrnFrm::TRun Run = RunFor(O);
  Run.TimerRuns = false;
  std::unique_ptr<TScrnFrm> Form = StartForm(Run, App, Clock);
  if (!Form) return 1;
  // A snapshot is a frame at an application time, not at a moment of the day: given a date, its
  // clock reads that day from midnight on by the application time, so that the picture repeats.
  if (const std::optional<TCalendarDate> Date = O.Settings.Date)
    Form->Scene->LocalTime = [Day = JulianDay(*Date), Seconds = O.Seconds] {
      return ClockAt(Day + Seconds / 86400.0);
    };
  TW9DirectX* DX = Form->WDirectX;
  App.ProcessMessages();

  // The 10 ms timer's ticks and the frames, in the order the message loop would run them: the
  // ticks due by a frame's time come first. Frames before the last one move without drawing.
  const auto Target = static_cast<std::int64_t>(std::llround(O.Seconds * 1e6));
  std::int64_t Ticks = 0;
  auto TicksUntil = [&](std::int64_t Time) {
    for (; (Ticks + 1) * 10000 <= Time; ++Ticks) Form->MoveTimerTimer();
  };
  const TRenderEvent Render = DX->OnRender;
  DX->OnRender = [](TW9DirectX*, bool& DefaultPresent) {
    DefaultPresent = false;
    return S_OK;
  };
  for (std::int64_t Frame = 1;; ++Frame) {
    const std::int64_t Time = Frame * 1000000 / kSnapshotFramesPerSecond;
    if (Time >= Target) break;
    Clock->Microseconds = Time;
    TicksUntil(Time);
    DX->RenderEnvironment();
  }
  Clock->Microseconds = Target;
  TicksUntil(Target);
  // The last frame is drawn by hand: at time 0 the framework would skip a frame that took no
  // time.
  DX->SetAppTime(static_cast<float>(static_cast<double>(Target) / 1e6));
  Form->Scene->WDirectXFrameMove(DX);
  bool DefaultPresent = true;
  Render(DX, DefaultPresent);
  TFramePicture Shot;
  const bool Read = ReadBackFrame(DX->Device(), Shot);
  Form.reset();

  if (!Read) {
    std::fprintf(stderr, "zelmar: the frame could not be read back\n");
    return 1;
  }
  // Written whole or not at all.
  if (const std::string Problem = WritePng(O.File, Shot); !Problem.empty()) {
    std::fprintf(stderr, "zelmar: cannot write %s: %s\n", O.File.c_str(), Problem.c_str());
    return 1;
  }
  return 0;
}

void PrintFigures(const char* Name, const TRunFigures& F) {
  std::printf("%-12s %10.1f %14.2f %10.1f %8d\n", Name, F.FramesPerSecond, F.CpuMsPerFrame,
              F.PeakMB, F.Frames);
}

int RunBench(const TSceneRunOptions& O, TApplication& App) {
  MessagesToStderr();
  TScrnFrm::TRun Run = RunFor(O);
  Run.Uncapped = true;
  TRunFigures Scene;
  int Triangles = 0;
  bool Brass = false;
  std::string Texture;
  {
    std::unique_ptr<TScrnFrm> Form = StartForm(Run, App);
    if (!Form) return 1;
    Brass = Form->Settings.BrassModel;
    Texture = FindMediaFile(ApplicationDir(), Form->WPool->PathTextures, "",
                            Brass ? "floor.jpg" : "nightsky.jpg")
                  .Path;
    TW9DirectX* DX = Form->WDirectX;
    const TRenderEvent Render = DX->OnRender;
    bool Timing = false;
    auto Start = std::chrono::steady_clock::now();
    DX->OnRender = [&](TW9DirectX* Sender, bool& DefaultPresent) {
      ++Scene.Frames;
      // Frames are uncapped, so the run ends within a frame of its length.
      if (Timing &&
          std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count() >=
              O.Seconds)
        App.Terminate();
      return Render(Sender, DefaultPresent);
    };
    // Settle first: the first frames compile the pipeline's programs.
    while (Scene.Frames < 3 && IsWindow(Form->Handle())) App.HandleMessage();
    Scene.Frames = 0;
    const double Cpu0 = ProcessCpuSeconds();
    Start = std::chrono::steady_clock::now();
    Timing = true;
    App.Run();
    Scene.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    Scene.CpuMsPerFrame = (ProcessCpuSeconds() - Cpu0) * 1000.0 / std::max(1, Scene.Frames);
    Scene.FramesPerSecond = Scene.Frames / Scene.Seconds;
    Scene.PeakMB = PeakResidentMB();
    Triangles = Form->Scene->FrameTriangles();
  }
  ResetPeakResident();
  const TRunFigures Bare = RunBareFrame(O.Width, O.Height, Triangles, O.Seconds, Texture);
  if (!Bare.Ok) {
    std::fprintf(stderr, "zelmar: %s\n", Bare.Problem.c_str());
    return 1;
  }
  std::printf("zelmar bench: %s display, %dx%d, %.0f s each, %d triangles a frame\n",
              DisplayName(Brass), O.Width, O.Height, O.Seconds, Triangles);
  std::printf("%-12s %10s %14s %10s %8s\n", "", "frames/s", "CPU ms/frame", "peak MB", "frames");
  PrintFigures("scene", Scene);
  PrintFigures("bare frame", Bare);
  std::printf("%-12s %10.2f\n", "ratio", Scene.FramesPerSecond / Bare.FramesPerSecond);
  return 0;
}

}  // namespace

bool ParseSize(const std::string& Text, int& Width, int& Height) {
  char X = 0;
  char Rest = 0;
  int W = 0, H = 0;
  if (std::sscanf(Text.c_str(), "%d%c%d%c", &W, &X, &H, &Rest) != 3 || (X != 'x' && X != 'X') ||
      W <= 0 || H <= 0 || W > 8192 || H > 8192)
    return false;
  Width = W;
  Height = H;
  return true;
}

bool IsSceneOption(const std::string& Arg) {
  if (Arg == "--window" || Arg == "--size" || Arg == "--seed" || Arg == "--snapshot" ||
      Arg == "--bench" || Arg == "--look-at-sky")
    return true;
  std::vector<std::string> One{Arg, "x"};
  std::size_t I = 0;
  TSettingsOptions Ignored;
  std::string Problem;
  return TakeSettingsOption(One, I, Ignored, Problem) != otNotOurs;
}

std::string ParseSceneOptions(const std::vector<std::string>& Args, TSceneRunOptions& O) {
  auto SetKind = [&O](TSceneRunOptions::TKind Kind) {
    if (O.Kind != TSceneRunOptions::rkNone && O.Kind != Kind) return false;
    O.Kind = Kind;
    return true;
  };
  const std::string OneKind = "choose one of --window, --snapshot and --bench";
  for (std::size_t I = 0; I < Args.size(); ++I) {
    const std::string& A = Args[I];
    const bool HasValue = I + 1 < Args.size();
    const std::string Value = HasValue ? Args[I + 1] : std::string();
    if (A == "--window") {
      if (!SetKind(TSceneRunOptions::rkWindow)) return OneKind;
    } else if (A == "--size") {
      if (!HasValue || !ParseSize(Value, O.Width, O.Height))
        return "--size takes WIDTHxHEIGHT (1 to 8192 each), such as 1280x720, not " +
               QuoteArgument(Value);
      ++I;
    } else if (A == "--seed") {
      std::uint32_t Seed = 0;
      if (!HasValue || !ParseSeed(Value, Seed))
        return "--seed takes a whole number from 0 to 4294967295, not " + QuoteArgument(Value);
      O.Seed = Seed;
      ++I;
    } else if (A == "--snapshot") {
      if (!SetKind(TSceneRunOptions::rkSnapshot)) return OneKind;
      if (!HasValue || !ParseSeconds(Value, kMaxSnapshotSeconds, true, O.Seconds))
        return "--snapshot takes an application time in seconds (0 to 86400), not " +
               QuoteArgument(Value);
      if (I + 2 >= Args.size() || !EndsWithPng(Args[I + 2]))
        return "--snapshot takes a picture file name ending in .png after the time";
      O.File = Args[I + 2];
      I += 2;
    } else if (A == "--look-at-sky") {
      // Read whatever the locale says of decimal points.
      double Lon = -1, Lat = 0;
      const char* const End = Value.data() + Value.size();
      const auto [Mid, E1] = std::from_chars(Value.data(), End, Lon);
      const auto [Last, E2] = Mid < End && *Mid == ','
                                  ? std::from_chars(Mid + 1, End, Lat)
                                  : std::from_chars_result{Mid, std::errc::invalid_argument};
      if (!HasValue || E1 != std::errc() || E2 != std::errc() || Last != End ||
          !(Lon >= 0 && Lon <= 360) || !(Lat >= -90 && Lat <= 90))
        return "--look-at-sky takes an ecliptic longitude and latitude in degrees (0 to 360, "
               "-90 to 90), such as 85,-25, not " +
               QuoteArgument(Value);
      O.SkyView = std::make_pair(Lon, Lat);
      ++I;
    } else if (A == "--bench") {
      if (!SetKind(TSceneRunOptions::rkBench)) return OneKind;
      if (HasValue && Value.rfind("-", 0) != 0) {
        if (!ParseSeconds(Value, kMaxBenchSeconds, false, O.Seconds))
          return "--bench takes a length in seconds (above 0, at most 3600), not " +
                 QuoteArgument(Value);
        ++I;
      }
    } else {
      std::string Problem;
      switch (TakeSettingsOption(Args, I, O.Settings, Problem)) {
        case otTaken:
          break;
        case otRefused:
          return Problem;
        case otNotOurs:
          return "unknown option " + QuoteArgument(A);
      }
    }
  }
  if (O.Kind == TSceneRunOptions::rkNone)
    return "--size, --seed and the settings' options go with --window, --snapshot or --bench";
  return {};
}

int RunScene(const TSceneRunOptions& O, int argc, char** argv) {
  UseXDisplay(O.Settings);
  // A signal ends a window's run as its close does; a picture or figures cut short are a
  // failure.
  if (!PrepareDisplay(O.Kind == TSceneRunOptions::rkWindow ? 0 : 1)) return 1;
  // The toolkit reads options of its own from the command line (among them --display); ours
  // are parsed already, so it gets the program's name alone.
  int AppArgc = 1;
  char* AppArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("zelmar"), nullptr};
  TApplication App(AppArgc, AppArgv);
  UseRenderPlatform();
  const std::unique_ptr<TProcessEnd> End = WatchProcessEnd(App);
  switch (O.Kind) {
    case TSceneRunOptions::rkWindow:
      return RunWindow(O, App);
    case TSceneRunOptions::rkSnapshot:
      return RunSnapshot(O, App);
    case TSceneRunOptions::rkBench:
      return RunBench(O, App);
    case TSceneRunOptions::rkNone:
      break;
  }
  return 2;
}

}  // namespace zelmar
