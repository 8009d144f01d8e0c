#include "engine/TW9DirectX.h"

#include <cstdio>
#include <vector>

#include "engine/d3d/FormatFunctions.h"

TW9DirectX::TW9DirectX(std::shared_ptr<TWTimeSource> TimeSource)
    : PauseCount(1),  // paused until Start
      Fd3dEnumeration(std::make_unique<TD3DEnumeration>()),
      Fd3dSettings(std::make_unique<TD3DSettings>()),
      FTimeSource(TimeSource ? std::move(TimeSource) : std::make_shared<TWSteadyTimeSource>()) {}

TW9DirectX::~TW9DirectX() = default;

void TW9DirectX::Setd3dEnumeration(const TD3DEnumeration& Value) {
  Fd3dEnumeration->AssignSettings(Value);
}

void TW9DirectX::SetFrameMoving(bool Value) {
  if (Value == FFrameMoving) return;
  FFrameMoving = Value;
  Timer(Value ? tcStart : tcStop);
}

// --- Configuration choice ----------------------------------------------------------------

bool TW9DirectX::ConfirmDeviceFilter(const D3DCAPS9& Caps,
                                     TVertexProcessingType vertexProcessingType,
                                     D3DFORMAT adapterFormat, D3DFORMAT backBufferFormat) {
  DWORD behavior = 0;
  switch (vertexProcessingType) {
    case SOFTWARE_VP:
      behavior = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
      break;
    case MIXED_VP:
      behavior = D3DCREATE_MIXED_VERTEXPROCESSING;
      break;
    case HARDWARE_VP:
      behavior = D3DCREATE_HARDWARE_VERTEXPROCESSING;
      break;
    case PURE_HARDWARE_VP:
      behavior = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
      break;
  }
  if (!OnConfirmDevice) return true;
  return SUCCEEDED(OnConfirmDevice(Caps, behavior, adapterFormat, backBufferFormat));
}

HRESULT TW9DirectX::ChooseInitialSettings() {
  const bool foundFullscreen = FindFullscreenConfig(false, false);
  const bool foundWindowed = FindWindowedConfig(false, false);
  if (foundFullscreen && StartFullscreen) Fd3dSettings->Windowed = false;
  if (foundFullscreen && !foundWindowed) Fd3dSettings->Windowed = false;
  return foundFullscreen || foundWindowed ? S_OK : D3DAPPERR_NOCOMPATIBLEDEVICES;
}

namespace {

bool DeviceTypeAllowed(D3DDEVTYPE Type, bool RequireHAL, bool RequireREF) {
  if (RequireHAL && Type != D3DDEVTYPE_HAL) return false;
  if (RequireREF && Type != D3DDEVTYPE_REF) return false;
  return true;
}

// The default choice of a combination's list: its first entry. The enumeration never keeps a
// combination with an empty list it needs, but a hand-made record may have one.
template <typename T>
T First(const std::vector<T>& List) {
  return List.empty() ? T{} : List.front();
}

struct TBestChoice {
  const Td3dAdapterInfo* Adapter = nullptr;
  const Td3dDeviceInfo* Device = nullptr;
  const Td3dDeviceCombo* Combo = nullptr;
  D3DDISPLAYMODE Desktop{};
};

void StoreChoice(TD3DConfig& Config, const TBestChoice& Best, bool UsesDepthBuffer) {
  Config.AdapterInfo = *Best.Adapter;
  Config.DeviceInfo = *Best.Device;
  Config.DeviceCombo = *Best.Combo;
  if (UsesDepthBuffer) Config.DepthStencilFormat = First(Best.Combo->DepthStencilFormats);
  Config.MultiSampleType = First(Best.Combo->MultiSampleTypes);
  Config.MultiSampleQuality = 0;
  Config.VertexProcessingType = First(Best.Combo->VertexProcessingTypes);
}

}  // namespace

bool TW9DirectX::FindWindowedConfig(bool RequireHAL, bool RequireREF) {
  D3DDISPLAYMODE desktop{};
  if (!D3D || FAILED(D3D->GetAdapterDisplayMode(0, &desktop))) return false;

  TBestChoice best;
  // Returns as soon as a HAL combination renders in the desktop format itself.
  [&] {
    for (const Td3dAdapterInfo& adapter : Fd3dEnumeration->AdapterInfos) {
      for (const Td3dDeviceInfo& device : adapter.DeviceInfos) {
        if (!DeviceTypeAllowed(device.DeviceType, RequireHAL, RequireREF)) continue;
        for (const Td3dDeviceCombo& combo : device.DeviceCombos) {
          if (!combo.Windowed || combo.AdapterFormat != desktop.Format) continue;
          const bool hal = combo.DeviceType == D3DDEVTYPE_HAL;
          const bool matchesAdapter = combo.BackBufferFormat == combo.AdapterFormat;
          if (!best.Combo || (best.Combo->DeviceType != D3DDEVTYPE_HAL && hal) ||
              (hal && matchesAdapter)) {
            best = {&adapter, &device, &combo, desktop};
            if (hal && matchesAdapter) return;
          }
        }
      }
    }
  }();
  if (!best.Combo) return false;

  TD3DWindowedConfig& config = Fd3dSettings->WindowedConfig;
  StoreChoice(config, best, Fd3dEnumeration->AppUsesDepthBuffer);
  Fd3dSettings->Windowed = true;
  config.DisplayMode = desktop;
  config.WindowWidth = OutputClient.right - OutputClient.left;
  config.WindowHeight = OutputClient.bottom - OutputClient.top;
  config.PresentInterval = First(best.Combo->PresentIntervals);
  return true;
}

bool TW9DirectX::FindFullscreenConfig(bool RequireHAL, bool RequireREF) {
  if (!D3D) return false;

  TBestChoice best;
  // Returns as soon as a HAL combination uses the desktop format for adapter and back buffer.
  [&] {
    for (const Td3dAdapterInfo& adapter : Fd3dEnumeration->AdapterInfos) {
      D3DDISPLAYMODE desktop{};
      // An adapter whose current mode cannot be read offers nothing to compare with.
      if (FAILED(D3D->GetAdapterDisplayMode(adapter.AdapterOrdinal, &desktop))) continue;
      for (const Td3dDeviceInfo& device : adapter.DeviceInfos) {
        if (!DeviceTypeAllowed(device.DeviceType, RequireHAL, RequireREF)) continue;
        for (const Td3dDeviceCombo& combo : device.DeviceCombos) {
          if (combo.Windowed) continue;
          const bool hal = combo.DeviceType == D3DDEVTYPE_HAL;
          const bool matchesDesktop = combo.AdapterFormat == desktop.Format;
          const bool matchesAll = matchesDesktop && combo.AdapterFormat == combo.BackBufferFormat;
          if (!best.Combo || (best.Combo->DeviceType != D3DDEVTYPE_HAL && hal) ||
              (hal && best.Combo->AdapterFormat != desktop.Format && matchesDesktop) ||
              (hal && matchesAll)) {
            best = {&adapter, &device, &combo, desktop};
            if (hal && matchesAll) return;
          }
        }
      }
    }
  }();
  if (!best.Combo) return false;

  // The desktop's own mode when the list has it; else the last mode of the desktop's width;
  // else the first mode of the combination's adapter format.
  D3DDISPLAYMODE bestMode{};
  for (const D3DDISPLAYMODE& mode : best.Adapter->DisplayModes) {
    if (mode.Format != best.Combo->AdapterFormat) continue;
    if (mode.Width == best.Desktop.Width && mode.Height == best.Desktop.Height &&
        mode.RefreshRate == best.Desktop.RefreshRate) {
      bestMode = mode;
      break;
    }
    if (mode.Width == best.Desktop.Width || bestMode.Width == 0) bestMode = mode;
  }

  TD3DConfig& config = Fd3dSettings->FullscreenConfig;
  StoreChoice(config, best, Fd3dEnumeration->AppUsesDepthBuffer);
  Fd3dSettings->Windowed = false;
  config.DisplayMode = bestMode;
  config.PresentInterval = D3DPRESENT_INTERVAL_DEFAULT;
  return true;
}

void TW9DirectX::BuildPresentParams() {
  const TD3DSettings& settings = *Fd3dSettings;
  const bool usesDepth = Fd3dEnumeration->AppUsesDepthBuffer;
  D3DPRESENT_PARAMETERS& pp = PresentParams;
  if (Windowed) {
    pp.BackBufferWidth = static_cast<UINT>(OutputClient.right - OutputClient.left);
    pp.BackBufferHeight = static_cast<UINT>(OutputClient.bottom - OutputClient.top);
  } else {
    pp.BackBufferWidth = settings.DisplayMode().Width;
    pp.BackBufferHeight = settings.DisplayMode().Height;
  }
  pp.BackBufferFormat = settings.DeviceCombo().BackBufferFormat;
  pp.BackBufferCount = 1;
  pp.MultiSampleType = settings.MultiSampleType();
  pp.MultiSampleQuality = settings.MultiSampleQuality();
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.hDeviceWindow = hDeviceWindow;
  pp.Windowed = Windowed ? TRUE : FALSE;
  pp.EnableAutoDepthStencil = usesDepth ? TRUE : FALSE;
  if (usesDepth) pp.AutoDepthStencilFormat = settings.DepthStencilFormat();
  pp.Flags = usesDepth ? D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL : 0;
  pp.FullScreen_RefreshRateInHz = Windowed ? 0 : settings.DisplayMode().RefreshRate;
  pp.PresentationInterval = settings.PresentInterval();
}

// --- Frame statistics --------------------------------------------------------------------

void TW9DirectX::UpdateStats() {
  ++FrameCount;
  const double now = Timer(tcGetAbsoluteTime);
  if (now - LastStatsTime <= 1.0) return;

  FPS = static_cast<float>(FrameCount / (now - LastStatsTime));
  LastStatsTime = static_cast<float>(now);
  FrameCount = 0;

  const TD3DSettings& settings = *Fd3dSettings;
  const D3DFORMAT modeFormat = settings.DisplayMode().Format;
  std::string colorText;
  if (modeFormat == BackBufferDesc.Format) {
    colorText = FormatName(modeFormat, false);
  } else {
    colorText = "backbuf " + FormatName(BackBufferDesc.Format, false) + ", adapter " +
                FormatName(modeFormat, false);
  }
  const std::string depthText =
      Fd3dEnumeration->AppUsesDepthBuffer ? FormatName(settings.DepthStencilFormat(), false) : "";
  std::string multiSampleText;
  const auto multiSample = static_cast<int>(settings.MultiSampleType());
  if (multiSample == 1) {
    multiSampleText = " (Nonmaskable Multisample)";
  } else if (multiSample >= 2 && multiSample <= 16) {
    multiSampleText = " (" + std::to_string(multiSample) + "x Multisample)";
  }

  char head[64];
  std::snprintf(head, sizeof head, "%.02f fps (%dx%d), ", static_cast<double>(FPS),
                static_cast<int>(BackBufferDesc.Width), static_cast<int>(BackBufferDesc.Height));
  FrameStats = head + colorText + depthText + multiSampleText;
}

// --- Frame clock -------------------------------------------------------------------------

double TW9DirectX::Timer(TimerCommand Command) {
  if (Command == tcInit) {
    FClock = TFrameClock{};
    std::int64_t frequency = 0;
    if (FTimeSource->QueryPerformanceFrequency(&frequency) && frequency > 0) {
      FClock.UsingQPF = true;
      FClock.Frequency = frequency;
    }
    return 0.0;
  }
  return FClock.UsingQPF ? TimerWithCounter(Command) : TimerWithTicks(Command);
}

double TW9DirectX::TimerWithCounter(TimerCommand Command) {
  TFrameClock& c = FClock;
  std::int64_t now = 0;
  // A stopped clock reads its stop time, except when starting again or asked the real time.
  if (c.StopTime != 0 && Command != tcStart && Command != tcGetAbsoluteTime) {
    now = c.StopTime;
  } else {
    FTimeSource->QueryPerformanceCounter(&now);
  }
  const auto seconds = [&](std::int64_t counts) {
    return static_cast<double>(counts) / static_cast<double>(c.Frequency);
  };

  switch (Command) {
    case tcReset:
      c.BaseTime = now;
      c.LastElapsedTime = now;
      c.StopTime = 0;
      c.Stopped = false;
      return 0.0;
    case tcStart:
      if (c.Stopped) c.BaseTime += now - c.StopTime;
      c.StopTime = 0;
      c.LastElapsedTime = now;
      c.Stopped = false;
      return 0.0;
    case tcStop:
      c.StopTime = now;
      c.LastElapsedTime = now;
      c.Stopped = true;
      return 0.0;
    case tcAdvance:
      c.StopTime += c.Frequency / 10;
      return 0.0;
    case tcGetAbsoluteTime:
      return seconds(now);
    case tcGetAppTime:
      return seconds(now - c.BaseTime);
    case tcGetElapsedTime: {
      const double elapsed = seconds(now - c.LastElapsedTime);
      c.LastElapsedTime = now;
      return elapsed;
    }
    case tcInit:
      break;
  }
  return 0.0;
}

double TW9DirectX::TimerWithTicks(TimerCommand Command) {
  TFrameClock& c = FClock;
  double now = 0.0;
  if (c.StopSeconds != 0.0 && Command != tcStart && Command != tcGetAbsoluteTime) {
    now = c.StopSeconds;
  } else {
    now = FTimeSource->timeGetTime() * 0.001;
  }

  switch (Command) {
    case tcReset:
      c.BaseSeconds = now;
      c.LastElapsedSeconds = now;
      c.StopSeconds = 0.0;
      c.Stopped = false;
      return 0.0;
    case tcStart:
      if (c.Stopped) c.BaseSeconds += now - c.StopSeconds;
      c.StopSeconds = 0.0;
      c.LastElapsedSeconds = now;
      c.Stopped = false;
      return 0.0;
    case tcStop:
      c.StopSeconds = now;
      c.LastElapsedSeconds = now;
      c.Stopped = true;
      return 0.0;
    case tcAdvance:
      c.StopSeconds += 0.1;
      return 0.0;
    case tcGetAbsoluteTime:
      return now;
    case tcGetAppTime:
      return now - c.BaseSeconds;
    case tcGetElapsedTime: {
      const double elapsed = now - c.LastElapsedSeconds;
      c.LastElapsedSeconds = now;
      return elapsed;
    }
    case tcInit:
      break;
  }
  return 0.0;
}
