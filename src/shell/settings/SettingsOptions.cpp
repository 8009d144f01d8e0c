#include "shell/settings/SettingsOptions.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <span>

#include "engine/TFrameBudget.h"

namespace zelmar {

namespace {

std::string Lower(std::string S) {
  for (char& C : S) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return S;
}

bool Choose(std::span<const TChoice> Choices, const std::string& Text, std::optional<int>& Out) {
  const std::string L = Lower(Text);
  for (const TChoice& C : Choices)
    if (L == C.Word) {
      Out = C.Value;
      return true;
    }
  return false;
}

// The words joined as a message lists them ("a, b or c"), or as --help does ("a|b|c").
std::string Words(std::span<const TChoice> Choices, bool Listed) {
  std::string S;
  for (std::size_t K = 0; K < Choices.size(); ++K)
    S += (K == 0                    ? ""
          : !Listed                 ? "|"
          : K + 1 == Choices.size() ? " or "
                                    : ", ") +
         std::string(Choices[K].Word);
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

// The options that are no settings, each taking a value.
constexpr const char* kOtherValued[] = {"max-fps", "render-scale", "display", "date"};

std::string DateText(const TCalendarDate& D) {
  char Text[16];
  std::snprintf(Text, sizeof Text, "%04d-%02d-%02d", D.Year, D.Month, D.Day);
  return Text;
}

// --help's column for the options' texts.
constexpr std::size_t kHelpColumn = 38;

// The usage of a row: "--scene space|brass|random", "--planet-speed 1..10", "--[no-]fps".
std::string Synopsis(const TSettingRow& Row) {
  switch (Row.Kind) {
    case skChoice:
      return "--" + std::string(Row.Option) + " " + Words(Row.Words, false);
    case skNumber:
      return "--" + std::string(Row.Option) + " " + std::to_string(Row.Low) + ".." +
             std::to_string(Row.High);
    case skSwitch:
      break;
  }
  return "--[no-]" + std::string(Row.Option);
}

}  // namespace

std::string SettingsOptionsUsage() {
  std::string Usage, Line;
  for (const TSettingRow* Row : InOrder(&TSettingRow::HelpLine)) {
    Line += (Line.empty() ? "  " : ", ") + Synopsis(*Row);
    if (!Row->Help) continue;  // the next row's synopsis joins this line
    std::string Help = Row->Help;
    if (!Help.empty()) {
      if (Line.size() < kHelpColumn)
        Line.resize(kHelpColumn, ' ');
      else
        Line += "\n" + std::string(kHelpColumn, ' ');
      for (std::size_t At = 0; (At = Help.find('\n', At)) != std::string::npos; At += kHelpColumn)
        Help.insert(At + 1, kHelpColumn, ' ');
    }
    Usage += Line + Help + "\n";
    Line.clear();
  }
  return Usage +
         "  --max-fps N                         present at most N frames a second (1 to 1000;\n"
         "                                      default: the display's refresh rate; 30 on a\n"
         "                                      software renderer)\n"
         "  --render-scale F                    draw the scene at F times the window's size (0.25\n"
         "                                      to 1), scaled up, the texts at full size "
         "(default:\n"
         "                                      1; at most 1280x720 on a software renderer)\n"
         "  --display NAME                      the X display to draw on\n"
         "  --date YYYY-MM-DD                   the day --positions today shows, at 0h UT\n"
         "                                      (" +
         DateText(kFirstEphemerisDate) + " to " + DateText(kLastEphemerisDate) +
         "; default: now)\n";
}

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

  for (const TSettingRow& Row : kSettingsTable) {
    if (Row.Kind != skSwitch) continue;
    const bool On = Name == Row.Option;
    if (!On && Name != std::string("no-") + Row.Option) continue;
    if (Inline) {
      Problem = "--" + Name + " takes no value, not " + QuoteArgument(*Inline);
      return otRefused;
    }
    O[Row] = On ? 1 : 0;
    return otTaken;
  }

  const TSettingRow* Valued = nullptr;
  for (const TSettingRow& Row : kSettingsTable)
    if (Row.Kind != skSwitch && Name == Row.Option) Valued = &Row;
  if (!Valued &&
      std::find(std::begin(kOtherValued), std::end(kOtherValued), Name) == std::end(kOtherValued))
    return otNotOurs;
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
  if (Valued && Valued->Kind == skChoice) {
    Ok = Choose(Valued->Words, Value, O[*Valued]);
    Expected = Words(Valued->Words, true);
  } else if (Valued) {
    Ok = WholeNumber(Value, Valued->Low, Valued->High, O[*Valued]);
    Expected = "a whole number from " + std::to_string(Valued->Low) + " to " +
               std::to_string(Valued->High);
  } else if (Name == "max-fps") {
    Ok = WholeNumber(Value, 1, kMaxFpsLimit, O.MaxFps);
    Expected = "a whole number from 1 to " + std::to_string(kMaxFpsLimit);
  } else if (Name == "render-scale") {
    Ok = Fraction(Value, TFrameBudget::kMinScale, TFrameBudget::kMaxScale, O.RenderScale);
    Expected = "a number from 0.25 to 1";
  } else if (Name == "date") {
    O.Date = ParseCalendarDate(Value);
    Ok = O.Date.has_value();
    Expected = "a day from " + DateText(kFirstEphemerisDate) + " to " +
               DateText(kLastEphemerisDate) + " written YYYY-MM-DD";
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
