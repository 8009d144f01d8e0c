#include "shell/qt/TCfgFrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <cstring>

#include "platform/window/GdiQt.h"
#include "platform/window/winuser.h"
#include "shell/settings/SettingsDefaults.h"

namespace zelmar {

namespace {

constexpr int kClientWidth = 545;
constexpr int kClientHeight = 422;
constexpr std::uint32_t kCream = 0x00F0FBFF;  // the toolkit's 0x00BBGGRR
constexpr const char* kPictureResource = ":/zelmar/dialog.jpg";
constexpr const char* kMessageCaption = "Zelmar";

QColor FromColorRef(std::uint32_t bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// Fonts go through the same face resolution as the saver's GDI and D3DX fonts, so that the
// faces the layout was measured with map to installed ones of close metrics.
QFont DialogFont(const char* face, int height) {
  LOGFONTA lf;
  lf.lfHeight = height;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return FontFromLogFont(lf);
}

// A label without a size takes the size of its text.
QLabel* AutoSizeLabel(QWidget* parent, const char* name, const char* text, int x, int y) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}

QLabel* FixedLabel(QWidget* parent, const char* name, const char* text, QRect geometry) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

QComboBox* DropDownList(QWidget* parent, const char* name, QStringList items, int x, int y,
                        int selected) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->addItems(items);
  box->setCurrentIndex(selected);
  box->setGeometry(x, y, 105, 21);
  return box;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* text, QRect geometry,
                    int checked) {
  auto* box = new QCheckBox(QString::fromLatin1(text), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(geometry);
  box->setChecked(checked != 0);
  return box;
}

QSlider* TrackBar(QWidget* parent, const char* name, int x, int y, int position) {
  auto* bar = new QSlider(Qt::Horizontal, parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setRange(1, 10);
  bar->setSingleStep(1);
  bar->setPageStep(2);
  bar->setValue(position);
  bar->setTickPosition(QSlider::TicksBelow);
  bar->setTickInterval(1);
  bar->setGeometry(x, y, 105, 25);
  return bar;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, QRect geometry) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(geometry);
  return button;
}

QGroupBox* GroupBox(QWidget* parent, const char* name, const char* title, QRect geometry) {
  auto* box = new QGroupBox(QString::fromLatin1(title), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(geometry);
  return box;
}

// The layout was measured with the faces it names; a substitute face that runs wider is
// condensed just enough for the whole text to show in its box.
void CondenseToFit(QWidget* widget) {
  for (int stretch = 98; stretch >= 70 && widget->sizeHint().width() > widget->width();
       stretch -= 2) {
    QFont font = widget->font();
    font.setStretch(stretch);
    widget->setFont(font);
  }
}

HWND HandleOf(QWidget* widget) {
  return static_cast<HWND>(widget->winId());
}

}  // namespace

TCfgFrm::TCfgFrm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CfgFrm"));
  setWindowTitle(QStringLiteral("Configuration"));
  // A dialog frame with the system menu and its close box only: no resizing, no minimise.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, FromColorRef(kCream));
  setPalette(pal);
  setAutoFillBackground(true);
  setFont(DialogFont("MS Sans Serif", -11));

  CreateControls();
  FormCreate();
}

TCfgFrm::~TCfgFrm() = default;

void TCfgFrm::CreateControls() {
  // Initial states come from the one table of form defaults that the saver's fallback uses too.
  // Creation order is stacking order: the controls placed over a group box but owned by the
  // form come after it, so they are drawn above it.
  Label1 = FixedLabel(this, "Label1", "The Zelmar", QRect(48, 16, 122, 30));
  Label1->setFont(DialogFont("Arial Black", -21));
  Label2 = FixedLabel(this, "Label2", "by the Zelmar team", QRect(64, 56, 95, 13));
  VerLbl = FixedLabel(this, "VerLbl", "v 1.6",
                      QRect(kClientWidth - 24, 0, 24, kClientHeight));  // along the right edge

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(16, 128, 209, 177);
  Image1->setScaledContents(true);
  Image1->setPixmap(QPixmap(QString::fromLatin1(kPictureResource)));

  GroupBox2 = GroupBox(this, "GroupBox2", "Display Settings", QRect(240, 16, 297, 169));
  Label4 = AutoSizeLabel(GroupBox2, "Label4", "Zelmar Type", 176, 16);
  zelmarType = DropDownList(GroupBox2, "zelmarType", {"Space", "Brass", "Random"}, 176, 32,
                            FormDefault("Zelmar_Type"));
  showFPS = CheckBox(GroupBox2, "showFPS", "Show FPS", QRect(24, 64, 121, 17), FormDefault("FPS"));
  Label5 = AutoSizeLabel(GroupBox2, "Label5", "Select Next Planet", 176, 64);
  Label8 = AutoSizeLabel(GroupBox2, "Label8", "Planet Speed", 32, 104);
  Label9 = AutoSizeLabel(GroupBox2, "Label9", "Movement Speed", 184, 112);

  plandata = CheckBox(this, "plandata", "Show Planetary Data", QRect(264, 48, 121, 17),
                      FormDefault("Planetary_Data"));
  selectplan = DropDownList(this, "selectplan", {"Sequentially", "Randomly"}, 416, 96,
                            FormDefault("Select_Planet"));
  planSpd = TrackBar(this, "planSpd", 264, 144, FormDefault("Planet_Speed"));
  moveSpd = TrackBar(this, "moveSpd", 416, 144, FormDefault("Move_Speed"));

  GroupBox3 = GroupBox(this, "GroupBox3", "Performance Settings", QRect(240, 208, 297, 209));
  lowBtn = Button(GroupBox3, "lowBtn", kCfgPresets[0].Caption, QRect(8, 32, 65, 25));
  mediumBtn = Button(GroupBox3, "mediumBtn", kCfgPresets[1].Caption, QRect(80, 32, 65, 25));
  highBtn = Button(GroupBox3, "highBtn", kCfgPresets[2].Caption, QRect(152, 32, 65, 25));
  vhighBtn = Button(GroupBox3, "vhighBtn", kCfgPresets[3].Caption, QRect(224, 32, 65, 25));
  Label3 = AutoSizeLabel(GroupBox3, "Label3", "Object Quality", 32, 88);
  Label7 = AutoSizeLabel(GroupBox3, "Label7", "Texture Quality", 32, 136);

  ObjQual = DropDownList(this, "ObjQual", {"High", "Medium", "Low"}, 272, 312,
                         FormDefault("Object_Quality"));
  TextureQual = DropDownList(this, "TextureQual", {"High", "Medium", "Low"}, 272, 360,
                             FormDefault("Texture_Quality"));
  TextureQual->setFrame(false);

  Effectsbox = GroupBox(this, "Effectsbox", "Special Effects", QRect(416, 288, 105, 105));
  Corona = CheckBox(Effectsbox, "Corona", "Corona", QRect(16, 24, 65, 17), FormDefault("Corona"));
  LensFlare = CheckBox(Effectsbox, "LensFlare", "Lens Flare", QRect(16, 48, 73, 17),
                       FormDefault("Lens_Flare"));
  Glare = CheckBox(Effectsbox, "Glare", "Solar Glare", QRect(16, 72, 81, 17), FormDefault("Glare"));

  okBtn = Button(this, "okBtn", "OK", QRect(8, 384, 65, 25));
  cancelBtn = Button(this, "cancelBtn", "Cancel", QRect(80, 384, 73, 25));
  applyBtn = Button(this, "applyBtn", "Apply", QRect(160, 384, 73, 25));
  applyBtn->setEnabled(false);
  Button1 = Button(this, "Button1", "Button1", QRect(64, 320, 113, 33));
  Button1->hide();

  for (QWidget* w : std::initializer_list<QWidget*>{Label1, Label2, VerLbl, showFPS, plandata,
                                                    Corona, LensFlare, Glare})
    CondenseToFit(w);

  // The form's tab order; a group box passes the focus on to its own controls in turn.
  QWidget* order[] = {TextureQual, applyBtn, plandata, okBtn,     cancelBtn, selectplan,
                      ObjQual,     planSpd,  moveSpd,  Corona,    LensFlare, Glare,
                      zelmarType,  showFPS,  lowBtn,   mediumBtn, highBtn,   vhighBtn};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  for (QComboBox* box : {TextureQual, ObjQual, selectplan, zelmarType})
    connect(box, &QComboBox::currentIndexChanged, this, &TCfgFrm::EnableApply);
  for (QSlider* bar : {planSpd, moveSpd})
    connect(bar, &QSlider::valueChanged, this, &TCfgFrm::EnableApply);
  for (QCheckBox* box : {plandata, showFPS, Corona, LensFlare, Glare})
    connect(box, &QCheckBox::toggled, this, &TCfgFrm::EnableApply);
  connect(lowBtn, &QPushButton::clicked, this, &TCfgFrm::lowBtnClick);
  connect(mediumBtn, &QPushButton::clicked, this, &TCfgFrm::mediumBtnClick);
  connect(highBtn, &QPushButton::clicked, this, &TCfgFrm::highBtnClick);
  connect(vhighBtn, &QPushButton::clicked, this, &TCfgFrm::vhighBtnClick);
  connect(applyBtn, &QPushButton::clicked, this, &TCfgFrm::applyBtnClick);
  connect(okBtn, &QPushButton::clicked, this, &TCfgFrm::okBtnClick);
  connect(cancelBtn, &QPushButton::clicked, this, &TCfgFrm::cancelBtnClick);
  connect(Button1, &QPushButton::clicked, this, &TCfgFrm::PreviewClick);
}

void TCfgFrm::FormCreate() {
  TCfgSettings values;
  loadProblem_ = values.Load();
  ShowValues(values);
  // Loading fires the change handlers; the dialog still opens with nothing to apply.
  applyBtn->setEnabled(false);
}

TCfgSettings TCfgFrm::Values() const {
  TCfgSettings v;
  v[cvTextureQual] = TextureQual->currentIndex();
  v[cvObjQual] = ObjQual->currentIndex();
  v[cvSelectPlan] = selectplan->currentIndex();
  v[cvPlanSpd] = planSpd->value();
  v[cvMoveSpd] = moveSpd->value();
  v[cvZelmarType] = zelmarType->currentIndex();
  v[cvPlanData] = plandata->isChecked();
  v[cvShowFPS] = showFPS->isChecked();
  v[cvGlare] = Glare->isChecked();
  v[cvLensFlare] = LensFlare->isChecked();
  v[cvCorona] = Corona->isChecked();
  return v;
}

void TCfgFrm::ShowValues(const TCfgSettings& v) {
  TextureQual->setCurrentIndex(v[cvTextureQual]);
  ObjQual->setCurrentIndex(v[cvObjQual]);
  selectplan->setCurrentIndex(v[cvSelectPlan]);
  planSpd->setValue(v[cvPlanSpd]);
  moveSpd->setValue(v[cvMoveSpd]);
  zelmarType->setCurrentIndex(v[cvZelmarType]);
  plandata->setChecked(v[cvPlanData] != 0);
  showFPS->setChecked(v[cvShowFPS] != 0);
  Glare->setChecked(v[cvGlare] != 0);
  LensFlare->setChecked(v[cvLensFlare] != 0);
  Corona->setChecked(v[cvCorona] != 0);
}

void TCfgFrm::Open() {
  if (!loadProblem_.empty())
    MessageBoxA(0, loadProblem_.c_str(), kMessageCaption, MB_OK | MB_ICONERROR);
  if (QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
  show();
  raise();
  activateWindow();
}

bool TCfgFrm::SaveSettings() {
  if (Values().Save() != TCfgSave::Failed) return true;
  MessageBoxA(HandleOf(this), TCfgSettings::SaveFailureText().c_str(), kMessageCaption,
              MB_OK | MB_ICONERROR);
  return false;
}

void TCfgFrm::EnableApply() {
  applyBtn->setEnabled(true);
}

void TCfgFrm::ApplyPreset(const TCfgPreset& preset) {
  TCfgSettings v = Values();
  v.ApplyPreset(preset);
  ShowValues(v);
  EnableApply();
}

void TCfgFrm::lowBtnClick() {
  ApplyPreset(kCfgPresets[0]);
}
void TCfgFrm::mediumBtnClick() {
  ApplyPreset(kCfgPresets[1]);
}
void TCfgFrm::highBtnClick() {
  ApplyPreset(kCfgPresets[2]);
}
void TCfgFrm::vhighBtnClick() {
  ApplyPreset(kCfgPresets[3]);
}

void TCfgFrm::applyBtnClick() {
  // A failed write keeps Apply enabled: the changes are still not stored.
  if (SaveSettings()) applyBtn->setEnabled(false);
}

void TCfgFrm::okBtnClick() {
  // A failed write keeps the dialog open, so that the choices are not lost with it.
  if (SaveSettings()) accept();
}

void TCfgFrm::cancelBtnClick() {
  reject();
}

void TCfgFrm::PreviewClick() {
  if (OnPreview) OnPreview();
}

}  // namespace zelmar
