// The configuration dialog: shows the stored settings in a fixed layout, offers four quality
// presets, and writes the settings back on Apply or OK. In the configuration run mode it is the
// program's main window.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "shell/settings/CfgSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace zelmar {

class TCfgFrm : public QDialog {
 public:
  // Builds the controls and loads them from the store (FormCreate): a value no settings file
  // holds shows its installed default. A mistyped value stops the load; LoadProblem() then
  // holds the store's message, which Open() shows.
  explicit TCfgFrm(QWidget* parent = nullptr);
  ~TCfgFrm() override;

  // Shows the load problem, if any, in a message box, then the dialog, centred on the screen.
  void Open();

  // The store's message from loading ("Failed to get data for 'FPS'"), or empty.
  const std::string& LoadProblem() const { return loadProblem_; }

  // Writes the controls to the user's settings in the store's write order. A file that cannot
  // be opened gets nothing, with a line on stderr only; a write that fails says so in a message
  // box naming the file, and leaves the file as it was. True when the values were written.
  bool SaveSettings();

  // What Button1 does: shows the hidden saver window. Unset, it does nothing.
  std::function<void()> OnPreview;

  // Handlers, named after their control and event.
  void FormCreate();
  void EnableApply();
  void lowBtnClick();
  void mediumBtnClick();
  void highBtnClick();
  void vhighBtnClick();
  void applyBtnClick();
  void okBtnClick();
  void cancelBtnClick();
  void PreviewClick();

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

 private:
  void CreateControls();
  void ApplyPreset(const TCfgPreset& preset);
  // The controls' values, and the controls set to values.
  TCfgSettings Values() const;
  void ShowValues(const TCfgSettings& values);

  std::string loadProblem_;
};

}  // namespace zelmar
