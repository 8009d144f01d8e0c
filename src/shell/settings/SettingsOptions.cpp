#include "shell/settings/SettingsOptions.h"

#include <charconv>
#include <cstdlib>

#include "engine/TFrameBudget.h"

namespace zelmar {

namespace {

struct TChoice {
  const char* Word;
  int Value;
};

// A quality of "very-high" is High: the dialog's "Very high" preset differs from "High" only in
// turning the glare on, which --glare does here.
constexpr TChoice kQualities[] = {{"low", 2}, {"medium", 1}, {"high", 0}, {"very-high", 0}};
constexpr TChoice kScenes[] = {{"space", 0}, {"brass", 1}, {"random", 2}};
constexpr TChoice kOrders[] = {{"sequential", 0}, {"random", 1}};

std::string Lower(std::string S) {
  for (char& C : S) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return S;
}

template <std::size_t N>
bool Choose(const TChoice (&Choices)[N], const std::string& Text, std::optional<int>& Out) {
  const std::string L = Lower(Text);
  for (const TChoice& C : Choices)
    if (L == C.Word) {
      Out = C.Value;
      return true;
    }
  return false;
}

template <std::size_t N>
std::string Words(const TChoice (&Choices)[N]) {
  std::string S;
  for (std::size_t K = 0; K < N; ++K)
    S += (K == 0 ? "" : K + 1 == N ? " or " : ", ") + std::string(Choices[K].Word);
  return S;
}

bool WholeNumber(const std::string& Text, int Low, int High, std::optional<int>& Out) {
  if (Text.empty() || Text.size() > 9 || Text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const int V = std::atoi(Text.c_str());
  if (V < Low || V > High) return false;
  Out = V;
  return true;
}

bool Fraction(const std::string& Text, float Low, float High, std::optional<float>& Out) {
  if (Text.empty() || Text.size() > 12 ||
      Text.find_first_not_of("0123456789.") != std::string::npos)
    return false;
  // Not strtod: the toolkit may have set a locale whose decimal point is a comma.
  double V = 0.0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), V);
  if (Error != std::errc() || End != Text.data() + Text.size() || !(V >= Low && V <= High))
    return false;
  Out = static_cast<float>(V);
  return true;
}

struct TSwitch {
  const char* Name;
  std::optional<bool> TSettingsOptions::*Field;
};

constexpr TSwitch kSwitches[] = {
    {"planet-data", &TSettingsOptions::PlanetaryData},
    {"fps", &TSettingsOptions::Fps},
    {"corona", &TSettingsOptions::Corona},
    {"lens-flare", &TSettingsOptions::LensFlare},
    {"glare", &TSettingsOptions::Glare},
};

}  // namespace

const char* const kSettingsOptionsUsage =
    "  --scene space|brass|random          the display\n"
    "  --order sequential|random           the order the camera visits the bodies in\n"
    "  --planet-speed 1..10, --move-speed 1..10\n"
    "                                      the planets' and the camera's speed\n"
    "  --object-quality low|medium|high|very-high\n"
    "  --texture-quality low|medium|high|very-high\n"
    "  --[no-]planet-data, --[no-]fps, --[no-]corona, --[no-]lens-flare, --[no-]glare\n"
    "                                      show or hide the data panel, the frame rate, the\n"
    "                                      Sun's corona, lens flare and glare\n"
    "  --max-fps N                         present at most N frames a second (1 to 1000;\n"
    "                                      default: the display's refresh rate; 30 on a\n"
    "                                      software renderer)\n"
    "  --render-scale F                    draw the scene at F times the window's size (0.25\n"
    "                                      to 1), scaled up, the texts at full size (default:\n"
    "                                      1; at most 1280x720 on a software renderer)\n"
    "  --display NAME                      the X display to draw on\n";

TOptionTake TakeSettingsOption(const std::vector<std::string>& Args, std::size_t& I,
                               TSettingsOptions& O, std::string& Problem) {
  const std::string& Arg = Args[I];
  if (Arg.size() < 2 || Arg[0] != '-') return otNotOurs;
  std::string Name = Arg.substr(Arg[1] == '-' ? 2 : 1);
  std::optional<std::string> Inline;
  if (const std::size_t Eq = Name.find('='); Eq != std::string::npos) {
    Inline = Name.substr(Eq + 1);
    Name.erase(Eq);
  }

  for (const TSwitch& S : kSwitches) {
    const bool On = Name == S.Name;
    if (!On && Name != std::string("no-") + S.Name) continue;
    if (Inline) {
      Problem = "--" + Name + " takes no value, not " + QuoteArgument(*Inline);
      return otRefused;
    }
    O.*S.Field = On;
    return otTaken;
  }

  const bool Valued = Name == "scene" || Name == "order" || Name == "planet-speed" ||
                      Name == "move-speed" || Name == "object-quality" ||
                      Name == "texture-quality" || Name == "max-fps" || Name == "render-scale" ||
                      Name == "display";
  if (!Valued) return otNotOurs;
  std::string Value;
  if (Inline) {
    Value = *Inline;
  } else if (I + 1 < Args.size()) {
    Value = Args[++I];
  } else {
    Problem = "--" + Name + " needs a value";
    return otRefused;
  }

  bool Ok = false;
  std::string Expected;
  if (Name == "scene") {
    Ok = Choose(kScenes, Value, O.ZelmarType);
    Expected = Words(kScenes);
  } else if (Name == "order") {
    Ok = Choose(kOrders, Value, O.SelectPlanet);
    Expected = Words(kOrders);
  } else if (Name == "planet-speed") {
    Ok = WholeNumber(Value, 1, 10, O.PlanetSpeed);
    Expected = "a whole number from 1 to 10";
  } else if (Name == "move-speed") {
    Ok = WholeNumber(Value, 1, 10, O.MoveSpeed);
    Expected = "a whole number from 1 to 10";
  } else if (Name == "object-quality") {
    Ok = Choose(kQualities, Value, O.ObjectQuality);
    Expected = Words(kQualities);
  } else if (Name == "texture-quality") {
    Ok = Choose(kQualities, Value, O.TextureQuality);
    Expected = Words(kQualities);
  } else if (Name == "max-fps") {
    Ok = WholeNumber(Value, 1, kMaxFpsLimit, O.MaxFps);
    Expected = "a whole number from 1 to " + std::to_string(kMaxFpsLimit);
  } else if (Name == "render-scale") {
    Ok = Fraction(Value, TFrameBudget::kMinScale, TFrameBudget::kMaxScale, O.RenderScale);
    Expected = "a number from 0.25 to 1";
  } else {  // display
    Ok = !Value.empty();
    if (Ok) O.XDisplay = Value;
    Expected = "the name of an X display, such as :0";
  }
  if (Ok) return otTaken;
  Problem = "--" + Name + " takes " + Expected + ", not " + QuoteArgument(Value);
  return otRefused;
}

std::string ParseSettingsOptions(const std::vector<std::string>& Args, TSettingsOptions& O) {
  for (std::size_t I = 0; I < Args.size(); ++I) {
    std::string Problem;
    switch (TakeSettingsOption(Args, I, O, Problem)) {
      case otTaken:
        break;
      case otRefused:
        return Problem;
      case otNotOurs:
        return "unknown option " + QuoteArgument(Args[I]);
    }
  }
  return {};
}

std::string QuoteArgument(const std::string& Arg) {
  constexpr std::size_t kShown = 60;
  std::size_t End = Arg.size();
  if (Arg.size() > kShown) {
    // Whole UTF-8 characters only.
    End = 0;
    while (End < Arg.size()) {
      const auto C = static_cast<unsigned char>(Arg[End]);
      const std::size_t Length = (C >> 5) == 6 ? 2 : (C >> 4) == 14 ? 3 : (C >> 3) == 30 ? 4 : 1;
      if (End + Length > kShown) break;
      End += Length;
    }
  }
  std::string Shown = Arg.substr(0, End);
  for (char& C : Shown)
    if (static_cast<unsigned char>(C) < 0x20 || C == 0x7F) C = '?';
  if (End == Arg.size()) return "'" + Shown + "'";
  return "'" + Shown + "...' (" + std::to_string(Arg.size()) + " bytes)";
}

}  // namespace zelmar
