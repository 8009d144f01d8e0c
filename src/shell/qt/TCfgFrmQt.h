// The configuration dialog's window on Qt: the controls in their fixed layout, one a setting,
// the presets' buttons, Apply, OK and Cancel; what they do is TCfgFrm's. In the configuration
// run mode it is the program's main window.
#pragma once

#include <QDialog>
#include <array>

#include "shell/settings/TCfgFrm.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace zelmar {

class TCfgFrmQt : public QDialog, public TCfgFrm {
 public:
  // Builds the controls and loads them from the store (FormCreate): a value no settings file
  // holds shows its installed default. A mistyped value stops the load; LoadProblem() then
  // holds the store's message, which Open() shows.
  explicit TCfgFrmQt(QWidget* parent = nullptr);
  ~TCfgFrmQt() override;

  // The controls, by the names their object names also carry.
  QLabel* Label1;
  QLabel* Label2;
  QLabel* VerLbl;
  QLabel* Image1;
  QGroupBox* GroupBox2;
  QLabel* Label4;
  QComboBox* zelmarType;
  QCheckBox* showFPS;
  QLabel* Label5;
  QLabel* Label8;
  QLabel* Label9;
  QCheckBox* plandata;
  QComboBox* selectplan;
  QSlider* planSpd;
  QSlider* moveSpd;
  QGroupBox* GroupBox3;
  QPushButton* lowBtn;
  QPushButton* mediumBtn;
  QPushButton* highBtn;
  QPushButton* vhighBtn;
  QLabel* Label3;
  QLabel* Label7;
  QComboBox* ObjQual;
  QComboBox* TextureQual;
  QGroupBox* Effectsbox;
  QCheckBox* Corona;
  QCheckBox* LensFlare;
  QCheckBox* Glare;
  QPushButton* okBtn;
  QPushButton* cancelBtn;
  QPushButton* applyBtn;
  QPushButton* Button1;
  QCheckBox* planetsToday;
  QCheckBox* showClock;
  QCheckBox* constellations;

 private:
  void CreateControls();
  // Makes the control the one of the setting's row.
  template <typename TControl>
  TControl* Bind(const char* setting, TControl* control);

  int ControlValue(const TSettingRow& row) const override;
  void ShowControlValue(const TSettingRow& row, int value) override;
  void SetApplyEnabled(bool enabled) override;
  HWND MessageOwner() override;
  void Present() override;
  void Dismiss(bool accepted) override;

  std::array<QWidget*, kSettingCount> controls_{};
};

}  // namespace zelmar
