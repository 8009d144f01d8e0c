#include "shell/qt/TCfgFrmQt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <cstring>
#include <type_traits>

#include "platform/window/GdiQt.h"
#include "platform/window/winuser.h"

namespace zelmar {

namespace {

constexpr int kClientWidth = 545;
constexpr int kClientHeight = 422;
constexpr std::uint32_t kCream = 0x00F0FBFF;  // the toolkit's 0x00BBGGRR
constexpr const char* kPictureResource = ":/zelmar/dialog.jpg";

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

// The controls of settings start without a value: FormCreate shows the values.
QComboBox* DropDownList(QWidget* parent, const char* name, QStringList items, int x, int y) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->addItems(items);
  box->setGeometry(x, y, 105, 21);
  return box;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* text, QRect geometry) {
  auto* box = new QCheckBox(QString::fromLatin1(text), parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(geometry);
  return box;
}

// Its range is its setting's (Bind).
QSlider* TrackBar(QWidget* parent, const char* name, int x, int y) {
  auto* bar = new QSlider(Qt::Horizontal, parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setSingleStep(1);
  bar->setPageStep(2);
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

TCfgFrmQt::TCfgFrmQt(QWidget* parent) : QDialog(parent) {
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

TCfgFrmQt::~TCfgFrmQt() = default;

void TCfgFrmQt::CreateControls() {
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
  zelmarType = Bind("Zelmar_Type",
                    DropDownList(GroupBox2, "zelmarType", {"Space", "Brass", "Random"}, 176, 32));
  showFPS = Bind("FPS", CheckBox(GroupBox2, "showFPS", "Show FPS", QRect(24, 64, 121, 17)));
  Label5 = AutoSizeLabel(GroupBox2, "Label5", "Select Next Planet", 176, 64);
  Label8 = AutoSizeLabel(GroupBox2, "Label8", "Planet Speed", 32, 104);
  Label9 = AutoSizeLabel(GroupBox2, "Label9", "Movement Speed", 184, 112);

  plandata = Bind("Planetary_Data",
                  CheckBox(this, "plandata", "Show Planetary Data", QRect(264, 48, 121, 17)));
  selectplan = Bind("Select_Planet",
                    DropDownList(this, "selectplan", {"Sequentially", "Randomly"}, 416, 96));
  planSpd = Bind("Planet_Speed", TrackBar(this, "planSpd", 264, 144));
  moveSpd = Bind("Move_Speed", TrackBar(this, "moveSpd", 416, 144));

  GroupBox3 = GroupBox(this, "GroupBox3", "Performance Settings", QRect(240, 208, 297, 209));
  lowBtn = Button(GroupBox3, "lowBtn", kPresetCaptions[0], QRect(8, 32, 65, 25));
  mediumBtn = Button(GroupBox3, "mediumBtn", kPresetCaptions[1], QRect(80, 32, 65, 25));
  highBtn = Button(GroupBox3, "highBtn", kPresetCaptions[2], QRect(152, 32, 65, 25));
  vhighBtn = Button(GroupBox3, "vhighBtn", kPresetCaptions[3], QRect(224, 32, 65, 25));
  Label3 = AutoSizeLabel(GroupBox3, "Label3", "Object Quality", 32, 88);
  Label7 = AutoSizeLabel(GroupBox3, "Label7", "Texture Quality", 32, 136);

  ObjQual =
      Bind("Object_Quality", DropDownList(this, "ObjQual", {"High", "Medium", "Low"}, 272, 312));
  TextureQual = Bind("Texture_Quality",
                     DropDownList(this, "TextureQual", {"High", "Medium", "Low"}, 272, 360));
  TextureQual->setFrame(false);

  Effectsbox = GroupBox(this, "Effectsbox", "Special Effects", QRect(416, 288, 105, 105));
  Corona = Bind("Corona", CheckBox(Effectsbox, "Corona", "Corona", QRect(16, 24, 65, 17)));
  LensFlare =
      Bind("Lens_Flare", CheckBox(Effectsbox, "LensFlare", "Lens Flare", QRect(16, 48, 73, 17)));
  Glare = Bind("Glare", CheckBox(Effectsbox, "Glare", "Solar Glare", QRect(16, 72, 81, 17)));

  okBtn = Button(this, "okBtn", "OK", QRect(8, 384, 65, 25));
  cancelBtn = Button(this, "cancelBtn", "Cancel", QRect(80, 384, 73, 25));
  applyBtn = Button(this, "applyBtn", "Apply", QRect(160, 384, 73, 25));
  applyBtn->setEnabled(false);
  Button1 = Button(this, "Button1", "Button1", QRect(64, 320, 113, 33));
  Button1->hide();
  // In the free room under the picture, so that nothing of the layout above moves.
  planetsToday =
      Bind("Planet_Positions",
           CheckBox(this, "planetsToday", "Planets where they are today", QRect(16, 320, 185, 17)));
  showClock = Bind("Clock", CheckBox(this, "showClock", "Show Clock", QRect(16, 344, 81, 17)));
  constellations = Bind("Constellations", CheckBox(this, "constellations", "Constellations",
                                                   QRect(104, 344, 121, 17)));

  for (QWidget* w :
       std::initializer_list<QWidget*>{Label1, Label2, VerLbl, showFPS, plandata, Corona, LensFlare,
                                       Glare, planetsToday, showClock, constellations})
    CondenseToFit(w);

  // The form's tab order; a group box passes the focus on to its own controls in turn.
  QWidget* order[] = {TextureQual,  applyBtn,  plandata,      okBtn,     cancelBtn, selectplan,
                      ObjQual,      planSpd,   moveSpd,       Corona,    LensFlare, Glare,
                      zelmarType,   showFPS,   lowBtn,        mediumBtn, highBtn,   vhighBtn,
                      planetsToday, showClock, constellations};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(lowBtn, &QPushButton::clicked, this, [this] { PresetClick(0); });
  connect(mediumBtn, &QPushButton::clicked, this, [this] { PresetClick(1); });
  connect(highBtn, &QPushButton::clicked, this, [this] { PresetClick(2); });
  connect(vhighBtn, &QPushButton::clicked, this, [this] { PresetClick(3); });
  connect(applyBtn, &QPushButton::clicked, this, [this] { applyBtnClick(); });
  connect(okBtn, &QPushButton::clicked, this, [this] { okBtnClick(); });
  connect(cancelBtn, &QPushButton::clicked, this, [this] { cancelBtnClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { PreviewClick(); });
}

template <typename TControl>
TControl* TCfgFrmQt::Bind(const char* setting, TControl* control) {
  const TSettingRow& row = Setting(setting);
  controls_[IndexOf(row)] = control;
  if constexpr (std::is_same_v<TControl, QComboBox>)
    connect(control, &QComboBox::currentIndexChanged, this, [this] { EnableApply(); });
  if constexpr (std::is_same_v<TControl, QSlider>) {
    control->setRange(row.Low, row.High);
    connect(control, &QSlider::valueChanged, this, [this] { EnableApply(); });
  }
  if constexpr (std::is_same_v<TControl, QCheckBox>)
    connect(control, &QCheckBox::toggled, this, [this] { EnableApply(); });
  return control;
}

// By the control, not the row's kind: a choice of two may be a check box.
int TCfgFrmQt::ControlValue(const TSettingRow& row) const {
  QWidget* control = controls_[IndexOf(row)];
  if (auto* list = qobject_cast<QComboBox*>(control)) return list->currentIndex();
  if (auto* bar = qobject_cast<QSlider*>(control)) return bar->value();
  return static_cast<QCheckBox*>(control)->isChecked();
}

void TCfgFrmQt::ShowControlValue(const TSettingRow& row, int value) {
  QWidget* control = controls_[IndexOf(row)];
  if (auto* list = qobject_cast<QComboBox*>(control))
    list->setCurrentIndex(value);
  else if (auto* bar = qobject_cast<QSlider*>(control))
    bar->setValue(value);
  else
    static_cast<QCheckBox*>(control)->setChecked(value != 0);
}

void TCfgFrmQt::SetApplyEnabled(bool enabled) {
  applyBtn->setEnabled(enabled);
}

HWND TCfgFrmQt::MessageOwner() {
  return HandleOf(this);
}

void TCfgFrmQt::Present() {
  if (QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
  show();
  raise();
  activateWindow();
}

void TCfgFrmQt::Dismiss(bool accepted) {
  if (accepted)
    accept();
  else
    reject();
}

}  // namespace zelmar
