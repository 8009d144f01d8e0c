// The settings table against what describes the settings outside the program: XScreenSaver's
// settings page, the manual page and the README's option table must offer every row's option
// with the table's values, range and default.
#include <gtest/gtest.h>

#include <QFile>
#include <QXmlStreamReader>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "shell/settings/SettingsTable.h"

using namespace zelmar;

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// An element of the settings page: its kind (select, number, boolean), its attributes, and for
// a select its options' attributes.
struct TPageItem {
  std::string Kind;
  std::map<std::string, std::string> Attributes;
  std::vector<std::map<std::string, std::string>> Options;
};

// The page's items by id.
std::map<std::string, TPageItem> ReadPage(const std::string& path) {
  QFile file(QString::fromStdString(path));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  QXmlStreamReader xml(&file);
  std::map<std::string, TPageItem> items;
  TPageItem* select = nullptr;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    std::map<std::string, std::string> attributes;
    for (const QXmlStreamAttribute& a : xml.attributes())
      attributes[a.name().toString().toStdString()] = a.value().toString().toStdString();
    const std::string kind = xml.name().toString().toStdString();
    if (kind == "option" && select) {
      select->Options.push_back(attributes);
    } else if (kind == "select" || kind == "number" || kind == "boolean") {
      TPageItem& item = items[attributes["id"]];
      item = {kind, attributes, {}};
      select = kind == "select" ? &item : nullptr;
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return items;
}

// The page's id of an option and of a word: without dashes ("lensflare", "veryhigh").
std::string PageId(std::string text) {
  std::erase(text, '-');
  return text;
}

// A word of the row that stands for the value, or "" when none does.
std::string WordFor(const TSettingRow& row, int value) {
  for (const TChoice& c : row.Words)
    if (c.Value == value) return c.Word;
  return {};
}

// The manual's spelling of an option's text: every '-' as "\-".
std::string ManText(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

// The manual page's entries in its SETTINGS section: the tag line and the text under it.
struct TManEntry {
  std::string Tag, Text;
};

std::vector<TManEntry> ReadManSettings(const std::string& path) {
  std::istringstream page(Read(path));
  std::vector<TManEntry> entries;
  bool inSettings = false, tagNext = false;
  for (std::string line; std::getline(page, line);) {
    if (line.rfind(".SH ", 0) == 0) {
      inSettings = line == ".SH SETTINGS";
      continue;
    }
    if (!inSettings) continue;
    if (line == ".TP") {
      entries.push_back({});
      tagNext = true;
    } else if (tagNext) {
      entries.back().Tag = line;
      tagNext = false;
    } else if (!entries.empty()) {
      entries.back().Text += line + "\n";
    }
  }
  return entries;
}

// The entry whose tag names the option ("\-\-planet\-speed", not "\-\-planet\-data").
const TManEntry* FindManEntry(const std::vector<TManEntry>& entries, const std::string& option) {
  const std::string name = "\\-\\-" + ManText(option);
  for (const TManEntry& e : entries)
    for (std::size_t at = e.Tag.find(name); at != std::string::npos;
         at = e.Tag.find(name, at + 1)) {
      const std::size_t end = at + name.size();
      if (end == e.Tag.size() || !(std::isalnum(static_cast<unsigned char>(e.Tag[end])) ||
                                   e.Tag.compare(end, 2, "\\-") == 0))
        return &e;
    }
  return nullptr;
}

}  // namespace

TEST(SettingsTable, TheXScreenSaverPageOffersEveryRowWithItsValuesRangeAndDefault) {
  const auto page = ReadPage(ZELMAR_SOURCE_DIR "/packaging/zelmar.xml");
  for (const TSettingRow& row : kSettingsTable) {
    SCOPED_TRACE(row.Name);
    const auto found = page.find(PageId(row.Option));
    ASSERT_NE(found, page.end()) << "no item " << PageId(row.Option);
    const TPageItem& item = found->second;
    const std::string option = "--" + std::string(row.Option);
    switch (row.Kind) {
      case skChoice: {
        ASSERT_EQ(item.Kind, "select");
        // Left at its default (no arg-set) it stands for the installed default; every other
        // choice passes one of the row's words, and every value has a choice.
        std::vector<bool> offered(static_cast<std::size_t>(row.High - row.Low + 1));
        int defaults = 0;
        for (const auto& choice : item.Options) {
          const auto arg = choice.find("arg-set");
          std::string word = WordFor(row, row.InstallDefault);
          if (arg == choice.end()) {
            ++defaults;
            EXPECT_EQ(choice.at("id"), PageId(word));
          } else {
            ASSERT_EQ(arg->second.rfind(option + " ", 0), 0u) << arg->second;
            word = arg->second.substr(option.size() + 1);
            EXPECT_EQ(choice.at("id"), PageId(word));
          }
          bool known = false;
          for (const TChoice& c : row.Words)
            if (word == c.Word) {
              known = true;
              offered[static_cast<std::size_t>(c.Value - row.Low)] = true;
            }
          EXPECT_TRUE(known) << word;
        }
        EXPECT_EQ(defaults, 1);
        for (bool o : offered) EXPECT_TRUE(o) << "a value without a choice";
        break;
      }
      case skNumber:
        ASSERT_EQ(item.Kind, "number");
        EXPECT_EQ(item.Attributes.at("arg"), option + " %");
        EXPECT_EQ(item.Attributes.at("low"), std::to_string(row.Low));
        EXPECT_EQ(item.Attributes.at("high"), std::to_string(row.High));
        EXPECT_EQ(item.Attributes.at("default"), std::to_string(row.InstallDefault));
        break;
      case skSwitch:
        ASSERT_EQ(item.Kind, "boolean");
        // On by default: the page passes only the switch that turns it off.
        if (row.InstallDefault) {
          EXPECT_EQ(item.Attributes.count("arg-set"), 0u);
          EXPECT_EQ(item.Attributes.at("arg-unset"), "--no-" + std::string(row.Option));
        } else {
          EXPECT_EQ(item.Attributes.at("arg-set"), option);
          EXPECT_EQ(item.Attributes.count("arg-unset"), 0u);
        }
        break;
    }
  }
}

TEST(SettingsTable, TheManualPageListsEveryRowWithItsValuesRangeAndDefault) {
  const auto entries = ReadManSettings(ZELMAR_SOURCE_DIR "/packaging/zelmar.6");
  for (const TSettingRow& row : kSettingsTable) {
    SCOPED_TRACE(row.Name);
    const TManEntry* entry = FindManEntry(entries, row.Option);
    ASSERT_TRUE(entry) << "no entry for --" << row.Option;
    switch (row.Kind) {
      case skChoice: {
        for (const TChoice& c : row.Words)
          EXPECT_NE(entry->Tag.find(ManText(c.Word)), std::string::npos) << c.Word;
        const std::size_t at = entry->Text.find("(default ");
        if (at != std::string::npos) {
          EXPECT_EQ(entry->Text.substr(at, entry->Text.find(')', at) - at + 1),
                    "(default " + ManText(WordFor(row, row.InstallDefault)) + ")");
        }
        break;
      }
      case skNumber:
        EXPECT_NE(entry->Text.find(std::to_string(row.Low) + " to " + std::to_string(row.High) +
                                   " (default " + std::to_string(row.InstallDefault) + ")"),
                  std::string::npos)
            << entry->Text;
        break;
      case skSwitch: {
        EXPECT_NE(entry->Tag.find("\\-\\-no\\-" + ManText(row.Option)), std::string::npos);
        const bool off = entry->Text.find("hidden by default") != std::string::npos ||
                         entry->Text.find("not drawn by default") != std::string::npos;
        EXPECT_NE(entry->Text.find("by default"), std::string::npos) << entry->Text;
        EXPECT_EQ(off, row.InstallDefault == 0) << entry->Text;
        break;
      }
    }
  }
}

TEST(SettingsTable, TheReadmesOptionTableNamesEveryRowsOptionAndStoredName) {
  std::istringstream readme(Read(ZELMAR_SOURCE_DIR "/README.md"));
  std::map<std::string, std::string> lineOf;  // by stored name
  for (std::string line; std::getline(readme, line);)
    if (line.rfind("| `--", 0) == 0)
      for (const TSettingRow& row : kSettingsTable)
        if (line.find("| \"" + std::string(row.Name) + "\" |") != std::string::npos)
          lineOf[row.Name] = line;
  for (const TSettingRow& row : kSettingsTable) {
    SCOPED_TRACE(row.Name);
    const std::string& line = lineOf[row.Name];
    ASSERT_FALSE(line.empty()) << "no line for \"" << row.Name << "\"";
    EXPECT_EQ(line.rfind("| `--" + std::string(row.Option) + (row.Kind == skSwitch ? "`" : " "), 0),
              0u)
        << line;
    if (row.Kind == skNumber) {
      EXPECT_NE(line.find(std::to_string(row.Low) + " to " + std::to_string(row.High)),
                std::string::npos)
          << line;
    }
    if (row.Kind == skSwitch) {
      EXPECT_NE(line.find("`--no-" + std::string(row.Option) + "`"), std::string::npos) << line;
    }
  }
}
