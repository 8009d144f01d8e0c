// The configuration dialog on a real display, driven by Qt's test input on its real widgets,
// against a settings file of the test's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/winuser.h"
#include "registry/FileSizeLimit.h"
#include "registry/TempHive.h"
#include "shell/qt/TCfgFrmQt.h"
#include "shell/settings/Settings.h"
#include "shell/settings/SettingsTable.h"
#include "support/SettingsFile.h"

using zelmar::TCfgFrmQt;

namespace {

// The value lines of a hive text, in their order.
std::vector<std::string> ValueLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (text[start] == '"') lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

QApplication& App() {
  static int argc = 1;
  static char name[] = "shell_dialog_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Every value the dialog reads, in its read order; each overridable by the test.
struct Stored {
  int Texture_Quality = 2, Object_Quality = 1, Select_Planet = 1, Planet_Speed = 3, Move_Speed = 8,
      Zelmar_Type = 1, Planetary_Data = 0, FPS = 1, Glare = 0, Lens_Flare = 1, Corona = 0,
      Planet_Positions = 1, Clock = 0, Constellations = 0;
  std::string Text() const {
    return SettingsFile()
        .Set("Install_Dir", "/opt/zelmar")
        .Set({{"Texture_Quality", Texture_Quality},
              {"Object_Quality", Object_Quality},
              {"Select_Planet", Select_Planet},
              {"Planet_Speed", Planet_Speed},
              {"Move_Speed", Move_Speed},
              {"Zelmar_Type", Zelmar_Type},
              {"Planetary_Data", Planetary_Data},
              {"FPS", FPS},
              {"Glare", Glare},
              {"Lens_Flare", Lens_Flare},
              {"Corona", Corona},
              {"Planet_Positions", Planet_Positions},
              {"Clock", Clock},
              {"Constellations", Constellations}});
  }
};

struct Box {
  std::string text;
  HWND owner;
  bool dialogVisible;
};

class CfgFrm : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    SetMessageBoxHook([this](HWND owner, const std::string& text, const std::string&, UINT) {
      boxes.push_back({text, owner, dialog && dialog->isVisible()});
      return IDOK;
    });
  }
  void TearDown() override {
    dialog.reset();
    SetMessageBoxHook(nullptr);
  }
  // Opens the dialog on the hive as it is now, as the configuration mode does.
  TCfgFrmQt& OpenDialog() {
    dialog = std::make_unique<TCfgFrmQt>();
    dialog->Open();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    return *dialog;
  }
  void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

  TempHive hive;
  std::unique_ptr<TCfgFrmQt> dialog;
  std::vector<Box> boxes;
};

}  // namespace

TEST_F(CfgFrm, ControlsSitWhereTheLayoutPutsThemWithTheirTextsAndTheirTextFits) {
  hive.Write(Stored().Text());
  TCfgFrmQt& d = OpenDialog();
  EXPECT_EQ(d.windowTitle(), "Configuration");
  EXPECT_EQ(d.size(), QSize(545, 422));
  EXPECT_EQ(d.palette().color(QPalette::Window), QColor(0xFF, 0xFB, 0xF0));
  EXPECT_EQ(d.font().pixelSize(), 11);
  EXPECT_EQ(d.Label1->font().pixelSize(), 21);

  struct Place {
    const char* name;
    const char* parent;
    int x, y, w, h;  // w 0: sized to its text
    const char* text;
  };
  const Place places[] = {
      {"Label1", "CfgFrm", 48, 16, 122, 30, "The Zelmar"},
      {"Label2", "CfgFrm", 64, 56, 95, 13, nullptr},
      {"VerLbl", "CfgFrm", 521, 0, 24, 422, "v 1.6"},
      {"Image1", "CfgFrm", 16, 128, 209, 177, nullptr},
      {"GroupBox2", "CfgFrm", 240, 16, 297, 169, "Display Settings"},
      {"Label4", "GroupBox2", 176, 16, 0, 0, "Zelmar Type"},
      {"zelmarType", "GroupBox2", 176, 32, 105, 21, nullptr},
      {"showFPS", "GroupBox2", 24, 64, 121, 17, "Show FPS"},
      {"Label5", "GroupBox2", 176, 64, 0, 0, "Select Next Planet"},
      {"Label8", "GroupBox2", 32, 104, 0, 0, "Planet Speed"},
      {"Label9", "GroupBox2", 184, 112, 0, 0, "Movement Speed"},
      {"plandata", "CfgFrm", 264, 48, 121, 17, "Show Planetary Data"},
      {"selectplan", "CfgFrm", 416, 96, 105, 21, nullptr},
      {"planSpd", "CfgFrm", 264, 144, 105, 25, nullptr},
      {"moveSpd", "CfgFrm", 416, 144, 105, 25, nullptr},
      {"GroupBox3", "CfgFrm", 240, 208, 297, 209, "Performance Settings"},
      {"lowBtn", "GroupBox3", 8, 32, 65, 25, "Low"},
      {"mediumBtn", "GroupBox3", 80, 32, 65, 25, "Medium"},
      {"highBtn", "GroupBox3", 152, 32, 65, 25, "High"},
      {"vhighBtn", "GroupBox3", 224, 32, 65, 25, "Very high"},
      {"Label3", "GroupBox3", 32, 88, 0, 0, "Object Quality"},
      {"Label7", "GroupBox3", 32, 136, 0, 0, "Texture Quality"},
      {"ObjQual", "CfgFrm", 272, 312, 105, 21, nullptr},
      {"TextureQual", "CfgFrm", 272, 360, 105, 21, nullptr},
      {"Effectsbox", "CfgFrm", 416, 288, 105, 105, "Special Effects"},
      {"Corona", "Effectsbox", 16, 24, 65, 17, "Corona"},
      {"LensFlare", "Effectsbox", 16, 48, 73, 17, "Lens Flare"},
      {"Glare", "Effectsbox", 16, 72, 81, 17, "Solar Glare"},
      {"okBtn", "CfgFrm", 8, 384, 65, 25, "OK"},
      {"cancelBtn", "CfgFrm", 80, 384, 73, 25, "Cancel"},
      {"applyBtn", "CfgFrm", 160, 384, 73, 25, "Apply"},
      {"Button1", "CfgFrm", 64, 320, 113, 33, "Button1"},
      {"planetsToday", "CfgFrm", 16, 320, 185, 17, "Planets where they are today"},
      {"showClock", "CfgFrm", 16, 344, 81, 17, "Show Clock"},
      {"constellations", "CfgFrm", 104, 344, 121, 17, "Constellations"},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.name);
    auto* w = d.findChild<QWidget*>(p.name);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->parentWidget()->objectName(), p.parent);
    EXPECT_EQ(w->pos(), QPoint(p.x, p.y));
    if (p.w) {
      EXPECT_EQ(w->size(), QSize(p.w, p.h));
    }
    EXPECT_EQ(w->isVisible(), std::string(p.name) != "Button1");
    QString text;
    if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
    if (p.text) {
      EXPECT_EQ(text, p.text);
    }
    if (auto* l = qobject_cast<QLabel*>(w); l && !text.isEmpty()) {
      // A label shows all of its text on one line.
      const QFontMetrics fm(l->font());
      EXPECT_LE(fm.horizontalAdvance(text), w->width()) << text.toStdString();
      EXPECT_LE(fm.height(), w->height()) << text.toStdString();
    }
    if (qobject_cast<QCheckBox*>(w)) {
      EXPECT_LE(w->sizeHint().width(), w->width()) << text.toStdString();
    }
  }
  EXPECT_FALSE(d.Image1->pixmap().isNull()) << "the dialog picture is built into the program";

  const auto items = [](QComboBox* c) {
    QStringList list;
    for (int i = 0; i < c->count(); ++i) list << c->itemText(i);
    return list;
  };
  EXPECT_EQ(items(d.zelmarType), QStringList({"Space", "Brass", "Random"}));
  EXPECT_EQ(items(d.selectplan), QStringList({"Sequentially", "Randomly"}));
  EXPECT_EQ(items(d.ObjQual), QStringList({"High", "Medium", "Low"}));
  EXPECT_EQ(items(d.TextureQual), QStringList({"High", "Medium", "Low"}));
  EXPECT_FALSE(d.TextureQual->hasFrame());
  for (QSlider* bar : {d.planSpd, d.moveSpd}) {
    EXPECT_EQ(bar->minimum(), 1);
    EXPECT_EQ(bar->maximum(), 10);
    EXPECT_EQ(bar->tickInterval(), 1);
    EXPECT_EQ(bar->tickPosition(), QSlider::TicksBelow);
  }
}

TEST_F(CfgFrm, TabWalksTheFormsOrderIntoEachGroupAndSkipsTheDisabledApply) {
  hive.Write(Stored().Text());
  TCfgFrmQt& d = OpenDialog();
  d.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
  d.TextureQual->setFocus();
  std::vector<std::string> walk;
  for (int i = 0; i < 21; ++i) {
    walk.push_back(
        QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  const std::vector<std::string> expected = {
      "TextureQual", "plandata",       "okBtn",      "cancelBtn", "selectplan", "ObjQual",
      "planSpd",     "moveSpd",        "Corona",     "LensFlare", "Glare",      "zelmarType",
      "showFPS",     "lowBtn",         "mediumBtn",  "highBtn",   "vhighBtn",   "planetsToday",
      "showClock",   "constellations", "TextureQual"};
  EXPECT_EQ(walk, expected);
}

TEST_F(CfgFrm, LoadsTheStoredValuesAndOpensWithApplyDisabled) {
  Stored s;
  s.Texture_Quality = 7;  // out of range: no selection, as the list has no such item
  hive.Write(s.Text());
  const std::string before = hive.Read();
  TCfgFrmQt& d = OpenDialog();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(d.TextureQual->currentIndex(), -1);
  EXPECT_EQ(d.ObjQual->currentIndex(), 1);
  EXPECT_EQ(d.selectplan->currentIndex(), 1);
  EXPECT_EQ(d.planSpd->value(), 3);
  EXPECT_EQ(d.moveSpd->value(), 8);
  EXPECT_EQ(d.zelmarType->currentIndex(), 1);
  EXPECT_FALSE(d.plandata->isChecked());
  EXPECT_TRUE(d.showFPS->isChecked());
  EXPECT_FALSE(d.Glare->isChecked());
  EXPECT_TRUE(d.LensFlare->isChecked());
  EXPECT_FALSE(d.Corona->isChecked());
  EXPECT_TRUE(d.planetsToday->isChecked());
  EXPECT_FALSE(d.showClock->isChecked());
  EXPECT_FALSE(d.constellations->isChecked());
  EXPECT_FALSE(d.applyBtn->isEnabled());

  // Changes, then Cancel: the file is exactly as it was.
  Click(d.vhighBtn);
  QTest::keyClick(d.planSpd, Qt::Key_Right);
  Click(d.cancelBtn);
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_EQ(hive.Read(), before);
}

TEST_F(CfgFrm, AMissingOrMistypedValueIsShownBeforeTheDialogWhichHasWhatWasRead) {
  Stored s;
  std::string text = s.Text();
  const std::string move = "\"Move_Speed\"=dword:00000008\n";
  text.replace(text.find(move), move.size(), "\"Move_Speed\"=\"8\"\n");
  hive.Write(text);
  TCfgFrmQt& d = OpenDialog();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Invalid data type for 'Move_Speed'");
  EXPECT_FALSE(boxes[0].dialogVisible);
  EXPECT_TRUE(d.isVisible());
  // Read up to the bad value; the rest keep the form's defaults.
  EXPECT_EQ(d.TextureQual->currentIndex(), 2);
  EXPECT_EQ(d.ObjQual->currentIndex(), 1);
  EXPECT_EQ(d.selectplan->currentIndex(), 1);
  EXPECT_EQ(d.planSpd->value(), 3);
  EXPECT_EQ(d.moveSpd->value(), 5);
  EXPECT_EQ(d.zelmarType->currentIndex(), -1);
  EXPECT_TRUE(d.plandata->isChecked());
  EXPECT_FALSE(d.showFPS->isChecked() || d.Glare->isChecked() || d.LensFlare->isChecked() ||
               d.Corona->isChecked());
  EXPECT_FALSE(d.applyBtn->isEnabled());
  dialog.reset();
}

// Without settings the dialog shows the installed defaults, which the saver uses for values no
// file holds; OK then writes them to the user's key, and the saver reads back what it had.
TEST_F(CfgFrm, WithoutSettingsItShowsWhatTheSaverUsesAndSavesThatToTheUsersKey) {
  zelmar::TSettings before;
  std::string beforePath;
  ASSERT_EQ(zelmar::GetSettings(before, beforePath), "");
  TCfgFrmQt& d = OpenDialog();
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(std::filesystem::exists(hive.Path())) << "opening the dialog wrote a file";
  using zelmar::InstallDefault;
  EXPECT_EQ(d.TextureQual->currentIndex(), InstallDefault("Texture_Quality"));
  EXPECT_EQ(d.ObjQual->currentIndex(), InstallDefault("Object_Quality"));
  EXPECT_EQ(d.selectplan->currentIndex(), InstallDefault("Select_Planet"));
  EXPECT_EQ(d.planSpd->value(), InstallDefault("Planet_Speed"));
  EXPECT_EQ(d.moveSpd->value(), InstallDefault("Move_Speed"));
  EXPECT_EQ(d.zelmarType->currentIndex(), InstallDefault("Zelmar_Type"));
  EXPECT_EQ(d.plandata->isChecked(), InstallDefault("Planetary_Data") != 0);
  EXPECT_EQ(d.showFPS->isChecked(), InstallDefault("FPS") != 0);
  EXPECT_EQ(d.Glare->isChecked(), InstallDefault("Glare") != 0);
  EXPECT_EQ(d.LensFlare->isChecked(), InstallDefault("Lens_Flare") != 0);
  EXPECT_EQ(d.Corona->isChecked(), InstallDefault("Corona") != 0);
  EXPECT_EQ(d.planetsToday->isChecked(), InstallDefault("Planet_Positions") != 0);
  EXPECT_EQ(d.showClock->isChecked(), InstallDefault("Clock") != 0);
  EXPECT_EQ(d.constellations->isChecked(), InstallDefault("Constellations") != 0);
  EXPECT_FALSE(d.applyBtn->isEnabled());

  Click(d.okBtn);
  EXPECT_FALSE(d.isVisible());
  const std::string text = hive.Read();
  EXPECT_EQ(text.find("[HKEY_LOCAL_MACHINE"), std::string::npos) << text;
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Zelmar]"), std::string::npos) << text;
  EXPECT_EQ(ValueLines(text).size(), 14u) << text;
  zelmar::TSettings after;
  std::string afterPath;
  ASSERT_EQ(zelmar::GetSettings(after, afterPath), "");
  EXPECT_EQ(afterPath, beforePath);
  EXPECT_EQ(after.ObjectQuality, before.ObjectQuality);
  EXPECT_EQ(after.BrassModel, before.BrassModel);
  EXPECT_EQ(after.ShowCorona, before.ShowCorona);
  EXPECT_EQ(after.ShowLensFlare, before.ShowLensFlare);
  EXPECT_EQ(after.PositionsToday, before.PositionsToday);
  EXPECT_EQ(after.ShowClock, before.ShowClock);
  EXPECT_EQ(after.ShowConstellations, before.ShowConstellations);
}

TEST_F(CfgFrm, VeryHighThenApplyWritesThePresetAndEveryOtherControlInTheWriteOrder) {
  hive.Write(SettingsFile());
  TCfgFrmQt& d = OpenDialog();  // every control at its installed default
  QTest::keyClick(d.moveSpd, Qt::Key_Right);
  Click(d.vhighBtn);
  Click(d.applyBtn);
  EXPECT_EQ(ValueLines(hive.Read()), ValueLines(SettingsFile().Set({{"Texture_Quality", 0},
                                                                    {"Object_Quality", 0},
                                                                    {"Select_Planet", 0},
                                                                    {"Planet_Speed", 5},
                                                                    {"Move_Speed", 6},
                                                                    {"Zelmar_Type", 0},
                                                                    {"Planetary_Data", 1},
                                                                    {"FPS", 0},
                                                                    {"Corona", 1},
                                                                    {"Lens_Flare", 1},
                                                                    {"Glare", 1},
                                                                    {"Planet_Positions", 0},
                                                                    {"Clock", 0},
                                                                    {"Constellations", 0}})));
  EXPECT_FALSE(d.applyBtn->isEnabled());
  EXPECT_TRUE(d.isVisible());
}

TEST_F(CfgFrm, ApplyIsEnabledExactlyWhileThereAreUnsavedChanges) {
  hive.Write(Stored().Text());
  TCfgFrmQt& d = OpenDialog();
  EXPECT_FALSE(d.applyBtn->isEnabled());
  QTest::keyClick(d.planSpd, Qt::Key_Right);
  EXPECT_TRUE(d.applyBtn->isEnabled());
  QTest::keyClick(d.planSpd, Qt::Key_Left);
  EXPECT_EQ(d.planSpd->value(), 3);
  EXPECT_TRUE(d.applyBtn->isEnabled()) << "moving back is still a change";
  Click(d.applyBtn);
  EXPECT_FALSE(d.applyBtn->isEnabled());

  for (QWidget* w : std::initializer_list<QWidget*>{d.Corona, d.lowBtn, d.showFPS, d.plandata}) {
    Click(w);
    EXPECT_TRUE(d.applyBtn->isEnabled()) << w->objectName().toStdString();
    Click(d.applyBtn);
    EXPECT_FALSE(d.applyBtn->isEnabled());
  }
  d.ObjQual->setFocus();
  QTest::keyClick(d.ObjQual, Qt::Key_Up);  // "Low", from the preset, to "Medium"
  EXPECT_EQ(d.ObjQual->currentIndex(), 1);
  EXPECT_TRUE(d.applyBtn->isEnabled());
}

TEST_F(CfgFrm, PresetsSetQualityAndEffectsOnlyAndSaveNothingByThemselves) {
  Stored s;
  hive.Write(s.Text());
  const std::string before = hive.Read();
  TCfgFrmQt& d = OpenDialog();
  struct Preset {
    QPushButton* button;
    int quality;
    bool corona, lensFlare, glare;
  };
  for (const Preset& p :
       {Preset{d.lowBtn, 2, false, false, false}, Preset{d.mediumBtn, 1, true, true, false},
        Preset{d.highBtn, 0, true, true, false}, Preset{d.vhighBtn, 0, true, true, true}}) {
    SCOPED_TRACE(p.button->text().toStdString());
    Click(p.button);
    EXPECT_EQ(d.ObjQual->currentIndex(), p.quality);
    EXPECT_EQ(d.TextureQual->currentIndex(), p.quality);
    EXPECT_EQ(d.Corona->isChecked(), p.corona);
    EXPECT_EQ(d.LensFlare->isChecked(), p.lensFlare);
    EXPECT_EQ(d.Glare->isChecked(), p.glare);
    EXPECT_EQ(d.planSpd->value(), 3);
    EXPECT_EQ(d.moveSpd->value(), 8);
    EXPECT_EQ(d.zelmarType->currentIndex(), 1);
    EXPECT_EQ(d.selectplan->currentIndex(), 1);
    EXPECT_FALSE(d.plandata->isChecked());
    EXPECT_TRUE(d.showFPS->isChecked());
    EXPECT_TRUE(d.planetsToday->isChecked());
    EXPECT_FALSE(d.showClock->isChecked());
    EXPECT_EQ(hive.Read(), before);
  }
}

// The check boxes under the picture store the planets' positions (a choice of two, "today"
// when checked), the clock and the constellation figures, and the saver reads back what they
// stored.
TEST_F(CfgFrm, TodaysPlanetsAndTheClockAreStoredAsTheSaverReadsThem) {
  Stored s;
  s.Planet_Positions = 0;
  hive.Write(s.Text());
  TCfgFrmQt& d = OpenDialog();
  EXPECT_FALSE(d.planetsToday->isChecked() || d.showClock->isChecked() ||
               d.constellations->isChecked());
  Click(d.planetsToday);
  EXPECT_TRUE(d.applyBtn->isEnabled());
  Click(d.applyBtn);
  Click(d.showClock);
  EXPECT_TRUE(d.applyBtn->isEnabled());
  Click(d.applyBtn);
  Click(d.constellations);
  EXPECT_TRUE(d.applyBtn->isEnabled());
  Click(d.okBtn);
  EXPECT_FALSE(d.isVisible());
  const std::vector<std::string> lines = ValueLines(hive.Read());
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(
      std::vector<std::string>(lines.end() - 3, lines.end()),
      (std::vector<std::string>{"\"Planet_Positions\"=dword:00000001", "\"Clock\"=dword:00000001",
                                "\"Constellations\"=dword:00000001"}));
  zelmar::TSettings settings;
  std::string path;
  ASSERT_EQ(zelmar::GetSettings(settings, path), "");
  EXPECT_TRUE(settings.PositionsToday);
  EXPECT_TRUE(settings.ShowClock);
  EXPECT_TRUE(settings.ShowConstellations);
}

TEST_F(CfgFrm, AStoreThatCannotBeOpenedShowsTheDefaultsAndGetsNothingSilently) {
  const std::string broken = "this is not a settings file\n";
  hive.Write(broken);
  TCfgFrmQt& d = OpenDialog();
  EXPECT_TRUE(boxes.empty());
  // The installed defaults, as the saver takes them then.
  EXPECT_EQ(d.TextureQual->currentIndex(), 1);
  EXPECT_EQ(d.ObjQual->currentIndex(), 1);
  EXPECT_EQ(d.zelmarType->currentIndex(), 0);
  EXPECT_EQ(d.selectplan->currentIndex(), 0);
  EXPECT_EQ(d.planSpd->value(), 5);
  EXPECT_EQ(d.moveSpd->value(), 5);
  EXPECT_TRUE(d.plandata->isChecked() && d.Corona->isChecked() && d.LensFlare->isChecked());
  EXPECT_FALSE(d.showFPS->isChecked() || d.Glare->isChecked());
  Click(d.highBtn);
  Click(d.applyBtn);
  EXPECT_FALSE(d.applyBtn->isEnabled());
  Click(d.okBtn);
  EXPECT_FALSE(d.isVisible());
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(hive.Read(), broken);
}

TEST_F(CfgFrm, AWriteThatFailsSaysSoNamingTheFileAndLeavesItAsItWas) {
  hive.Write(Stored().Text());
  const std::string before = hive.Read();
  TCfgFrmQt& d = OpenDialog();
  Click(d.vhighBtn);
  {
    // No room for any file to grow: neither the lock nor the new hive can be written.
    FileSizeLimit full(0);
    Click(d.applyBtn);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(hive.Path()), std::string::npos) << boxes[0].text;
    EXPECT_EQ(boxes[0].owner, static_cast<HWND>(d.winId()));
    EXPECT_TRUE(d.applyBtn->isEnabled()) << "the changes are still unsaved";
    Click(d.okBtn);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(d.isVisible()) << "OK keeps the dialog when its changes could not be saved";
  }
  EXPECT_EQ(hive.Read(), before);
  Click(d.okBtn);
  EXPECT_FALSE(d.isVisible());
  EXPECT_NE(hive.Read(), before);
}
