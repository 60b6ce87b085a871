// The main window's stored layout: every control with its position,
// caption, font, colour and hint, in stored order. Positions are pixels at
// 96 dots per inch; font sizes are character heights in pixels.
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/CaptionFit.h"
#include "app/LayoutFont.h"
#include "app/MainForm.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/DesktopWindows.h"
#include "widgets/ChoiceButton.h"
#include "widgets/Credits.h"
#include "widgets/StaticTextAccessible.h"

namespace pausalo {

namespace {

constexpr int ClientWidth = 338;
constexpr int ClientHeight = 268;
constexpr int TickInterval = 500;

void SetFontColor(QWidget* widget, TColor color) {
  QPalette palette = widget->palette();
  for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
    palette.setColor(QPalette::Active, role, ToQColor(color)),
        palette.setColor(QPalette::Inactive, role, ToQColor(color));
  widget->setPalette(palette);
}

template <class Control>
Control* Place(QWidget* parent, int left, int top, int width = -1, int height = -1) {
  auto* control = new Control(parent);
  if (width < 0) {
    control->move(left, top);
  } else {
    control->setGeometry(left, top, width, height);
  }
  return control;
}

// A label sized to its caption, as an auto-sized label is.
QLabel* Caption(QWidget* parent, int left, int top, const QString& text) {
  auto* label = Place<QLabel>(parent, left, top);
  label->setText(text);
  label->adjustSize();
  return label;
}

// A strip docked to the top or bottom of its page.
QFrame* Strip(QVBoxLayout* page, int height) {
  auto* strip = new QFrame;
  strip->setFixedHeight(height);
  page->addWidget(strip);
  return strip;
}

QVBoxLayout* DockingLayout(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  return layout;
}

// A picture filling the given size, in pixels of a screen with the given
// pixel ratio, so that it is as sharp as the screen allows.
QPixmap Picture(const QString& name, QSize size, qreal pixelRatio) {
  QPixmap picture = QIcon(":/icons/" + name).pixmap(size, pixelRatio);
  if (picture.deviceIndependentSize() != QSizeF(size)) {
    picture = picture.scaled(size * pixelRatio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture.setDevicePixelRatio(pixelRatio);
  }
  return picture;
}

QPushButton* GlyphButton(QWidget* parent, QRect bounds, const QString& caption, const QIcon& glyph) {
  auto* button = Place<QPushButton>(parent, bounds.left(), bounds.top(), bounds.width(), bounds.height());
  button->setText(caption);
  button->setIcon(glyph);
  button->setIconSize(QSize(20, 20));
  return button;
}

QToolButton* GlyphAboveCaption(QWidget* parent, QRect bounds, const QString& caption, const QString& glyph) {
  auto* button = Place<QToolButton>(parent, bounds.left(), bounds.top(), bounds.width(), bounds.height());
  button->setText(caption);
  button->setIcon(QIcon(":/icons/" + glyph));
  button->setIconSize(QSize(28, 28));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  return button;
}

QPushButton* ProfileButton(QWidget* parent, QRect bounds, std::size_t profile, TColor color) {
  auto* button = Place<ChoiceButton>(parent, bounds.left(), bounds.top(), bounds.width(), bounds.height());
  button->setText(QString::fromUtf8(WorkProfiles[profile].Caption));
  SetFontColor(button, color);
  return button;
}

QLabel* LimitLabel(QWidget* parent, int left, int top, TLimit limit) {
  QLabel* label = Caption(parent, left, top, QString::fromUtf8(InfoOf(limit).Caption));
  SetFontColor(label, clNavy);
  label->setEnabled(false);
  return label;
}

TLimitSpinEdit* LimitEdit(QWidget* parent, int top, TLimit limit, QLabel* label) {
  auto* edit = Place<TLimitSpinEdit>(parent, 213, top, 57, 23);
  const TLimitInfo& info = InfoOf(limit);
  edit->SetColorFocused(clBtnFace);
  edit->SetColorFlat(clWhite);
  edit->SetEnabled(false);
  edit->SetFont(LayoutFont("MS Sans Serif", 13, true));
  edit->SetFontColor(clRed);
  edit->SetMaxValue(info.MaxValue);
  edit->SetMinValue(info.MinValue);
  edit->SetValue(info.StartValue);
  label->setBuddy(edit);
  return edit;
}

QLabel* ClockText(QWidget* parent, QRect bounds, TColor color, const QString& name, const QString& hint) {
  InstallStaticTextAccessibleFactory();
  auto* clock = Place<QLabel>(parent, bounds.left(), bounds.top(), bounds.width(), bounds.height());
  // Named first: the accessible interface is made for good at the first text.
  clock->setAccessibleName(name);
  clock->setText("00:00:00");
  clock->setAlignment(Qt::AlignCenter);
  clock->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  clock->setFont(LayoutFont("MS Sans Serif", 16, true));
  SetFontColor(clock, color);
  clock->setToolTip(hint);
  return clock;
}

// A shadow label sized to its caption.
TShadowLabel* ShadowCaption(QWidget* parent, int left, int top, const QString& caption) {
  auto* label = new TShadowLabel(parent);
  label->move(left, top);
  label->SetCaption(caption);
  return label;
}

// The product name as a red bold italic heading with a white shadow.
TShadowLabel* Heading(QWidget* parent, int left, int top, int pixels) {
  TShadowLabel* heading = ShadowCaption(parent, left, top, "Pausalo");
  heading->setFont(LayoutFont("Arial", pixels, true, true));
  heading->SetFontColor(clRed);
  heading->SetShadowColor(clWhite);
  heading->SetShadowSize(2);
  return heading;
}

}  // namespace

void TMainForm::CreateLayout() {
  // MainForm
  setWindowTitle("Pausalo");
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(ClientWidth, ClientHeight);
  setFont(DefaultWindowFont());
  setWindowIcon(QIcon(":/icons/pausalo.svg"));
  const qreal pixelRatio = devicePixelRatioF();
  CentreOnScreen(*this);

  ImmList = {QIcon(":/icons/tab-home.svg"), QIcon(":/icons/tab-setup.svg"), QIcon(":/icons/tab-clock.svg"),
             QIcon(":/icons/tab-info.svg")};

  PageControl1 = new QTabWidget(this);
  PageControl1->setGeometry(0, 0, ClientWidth, ClientHeight);
  PageControl1->setDocumentMode(true);
  SetFontColor(PageControl1->tabBar(), clBlue);

  // Home page
  TabSheet1 = new QWidget;
  PageControl1->addTab(TabSheet1, ImmList[0], "Home");
  QVBoxLayout* home = DockingLayout(TabSheet1);
  ShadowLabel6 = Heading(TabSheet1, 0, 0, 64);
  ShadowLabel6->SetAutoSize(false);
  ShadowLabel6->setFixedHeight(74);
  ShadowLabel6->SetAlignment(taCenter);
  ShadowLabel6->SetTransparent(true);
  ShadowLabel6->SetWordWrap(true);
  ShadowLabel6->SetShowAccelChar(false);
  home->addWidget(ShadowLabel6);
  Image1 = Place<QLabel>(TabSheet1, 283, 69, 32, 32);
  Image1->setPixmap(Picture("pausalo.svg", {32, 32}, pixelRatio));
  ShadowLabel1 = ShadowCaption(TabSheet1, 67, 98, "Activity time");
  ShadowLabel1->SetLayout(tlCenter);
  ShadowLabel1->SetShadowSize(0);
  ShadowLabel2 = ShadowCaption(TabSheet1, 82, 122, "Idle time");
  ShadowLabel2->SetFontColor(clRed);
  ShadowLabel2->SetShadowSize(0);
  StaticText2 = ClockText(TabSheet1, {138, 92, 100, 25}, clRed, "Activity time", "Secondi trascorsi di attività");
  StaticText1 = ClockText(TabSheet1, {138, 119, 100, 23}, clBlue, "Idle time", "Secondi trascorsi di inattività");
  home->addStretch();
  Panel3 = Strip(home, 36);
  Panel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  B_Start = GlyphButton(Panel3, {1, 1, 101, 34}, "Start", QIcon(":/icons/start.svg"));
  B_Start->setFont(LayoutFont("Arial", 19, true));
  SetFontColor(B_Start, clBlue);
  B_Stop = GlyphButton(Panel3, {103, 1, 100, 34}, "Stop", QIcon(":/icons/stop.svg"));
  B_Stop->setFont(LayoutFont("Arial", 19, true));
  SetFontColor(B_Stop, clRed);
  B_Stop->setEnabled(false);
  QIcon endGlyph(":/icons/end.svg");
  endGlyph.addPixmap(Picture("end-disabled.svg", {20, 20}, pixelRatio), QIcon::Disabled);
  B_Fine = GlyphButton(Panel3, {205, 1, 126, 34}, "End program", endGlyph);
  B_Fine->setFont(LayoutFont("Arial", 12, true));
  SetFontColor(B_Fine, clBlue);

  // Setup page
  TabSheet2 = new QWidget;
  PageControl1->addTab(TabSheet2, ImmList[1], "Setup");
  Panel2 = new QFrame;
  DockingLayout(TabSheet2)->addWidget(Panel2);
  QVBoxLayout* setup = DockingLayout(Panel2);
  GroupAuto = new QGroupBox;
  GroupAuto->setFixedHeight(116);
  SetFontColor(GroupAuto, clMaroon);
  setup->addWidget(GroupAuto);
  S_626 = ProfileButton(GroupAuto, {9, 36, 149, 31}, 0, clBlue);
  S_626->setFont(LayoutFont("MS Sans Serif", 11, true));
  S_generic = ProfileButton(GroupAuto, {160, 36, 152, 31}, 1, clBlue);
  S_web = ProfileButton(GroupAuto, {10, 69, 149, 31}, 2, clRed);
  S_pgm = ProfileButton(GroupAuto, {161, 69, 152, 31}, 3, clBlue);
  profileGroup_ = new QButtonGroup(this);
  profileGroup_->setExclusive(true);
  for (QPushButton* button : {S_626, S_generic, S_web, S_pgm}) profileGroup_->addButton(button);
  S_626->setChecked(true);
  ShadowLabel7 = Heading(GroupAuto, 219, 10, 21);
  setup->addStretch();
  GroupManual = new QGroupBox;
  GroupManual->setFixedHeight(116);
  setup->addWidget(GroupManual);
  L_act = LimitLabel(GroupManual, 18, 33, TLimit::Activity);
  L_pause = LimitLabel(GroupManual, 106, 61, TLimit::Pause);
  L_idle = LimitLabel(GroupManual, 57, 87, TLimit::Timeout);
  FSActivity = LimitEdit(GroupManual, 28, TLimit::Activity, L_act);
  FSPause = LimitEdit(GroupManual, 56, TLimit::Pause, L_pause);
  FSTimeout = LimitEdit(GroupManual, 82, TLimit::Timeout, L_idle);
  R_auto = Place<QRadioButton>(Panel2, 15, 2, 151, 17);
  R_auto->setText(QString::fromUtf8(SetupModeInfos[smAuto].Caption));
  R_auto->setChecked(true);
  R_manuale = Place<QRadioButton>(Panel2, 15, 119, 89, 17);
  R_manuale->setText(QString::fromUtf8(SetupModeInfos[smManual].Caption));
  R_manuale->adjustSize();

  // Info page
  TabSheet4 = new QWidget;
  PageControl1->addTab(TabSheet4, ImmList[3], "Info ");
  QVBoxLayout* info = DockingLayout(TabSheet4);
  Image2 = Place<QLabel>(TabSheet4, 85, 33, 211, 214);
  Image2->setPixmap(Picture("info-picture.svg", {211, 214}, pixelRatio));
  Image2->setAttribute(Qt::WA_TranslucentBackground);
  Image3 = Place<QLabel>(TabSheet4, 4, 40, 32, 32);
  Image3->setPixmap(Picture("pausalo.svg", {32, 32}, pixelRatio));
  Panel1 = Strip(info, 33);
  info->addStretch();
  ShadowLabel5 = Heading(Panel1, 18, 3, 24);
  ShadowLabel3 = ShadowCaption(Panel1, 140, 12, " v1.0 - FREEWARE");
  Sec1 = Place<TSecretPanel>(TabSheet4, 54, 32, 276, 204);
  Sec1->hide();
  Sec1->SetCycled(true);
  Sec1->SetGlyph(QImage(CreditGlyphResource));
  Sec1->SetGlyphLayout(glGlyphRight);
  Sec1->SetBorderWidth(3);
  Sec1->SetFontColor(clBlue);
  Sec1->SetLines(CreditLines());
  B_Author = GlyphAboveCaption(TabSheet4, {1, 170, 49, 63}, "Author", "author.svg");
  BitBtn1 = GlyphAboveCaption(TabSheet4, {1, 107, 49, 59}, "&Help", "help.svg");

  PageControl1->setCurrentIndex(0);
  WidenButtonsToCaptions(this);

  // Components without a window
  OpTimer->setInterval(TickInterval);
  FlatHint1 = new TFlatHint(this);
  FlatHint1->SetFont(LayoutFont("MS Sans Serif", 11));
  FlatHint1->SetFontColor(clWindowText);
  Tray1->SetActive(false);
  Tray1->SetHint("Pausalo");
  Tray1->Icon().LoadFromImage(Picture("pausalo.svg", {32, 32}, pixelRatio).toImage());
  rasWinGod1->SetShProcHookEnabled(false);
}

}  // namespace pausalo
