// How the main window and the break window look on a desktop that is not the
// one their layout was drawn for: a dark theme, wider fonts, twice the scale.
// ctest runs these at the scale factors 1 and 2.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include "RecordingNotificationArea.h"
#include "app/MainForm.h"
#include "platform/Application.h"

using namespace pausalo;
using pausalo::testing::RecordingNotificationArea;

namespace {

// The scale factor the run was started with.
qreal ScaleFactor() {
  return qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble() : 1.0;
}

class LookTest : public ::testing::Test {
 protected:
  LookTest() {
    application.SetMainForm(&form);
    form.show();
  }

  // Every control of a window (pages included) whose caption needs more
  // width than it has, with what it has and needs.
  static std::vector<std::string> CutCaptions(QWidget* window) {
    std::vector<std::string> cut;
    for (QWidget* control : window->findChildren<QWidget*>()) {
      if (control->window() != window) continue;
      const bool captioned = qobject_cast<QAbstractButton*>(control) != nullptr ||
                             qobject_cast<QLabel*>(control) != nullptr ||
                             qobject_cast<TShadowLabel*>(control) != nullptr;
      if (!captioned || !control->isVisibleTo(window)) continue;
      if (control->sizeHint().width() > control->width())
        cut.push_back(control->objectName().toStdString() + control->metaObject()->className() + " \"" +
                      control->property("text").toString().toStdString() + "\" has " +
                      std::to_string(control->width()) + ", needs " + std::to_string(control->sizeHint().width()));
    }
    return cut;
  }

  TApplication application;
  ManualClock clock{std::chrono::hours(24 * 100)};
  RecordingNotificationArea area;
  TMainForm form{{&clock, &area}};
};

}  // namespace

TEST_F(LookTest, NoCaptionIsCutOnAnyPageOrInTheBreakWindow) {
  for (int page = 0; page < form.PageControl1->count(); ++page) {
    form.PageControl1->setCurrentIndex(page);
    EXPECT_EQ(CutCaptions(&form), std::vector<std::string>{}) << "page " << page;
  }
  EXPECT_EQ(form.R_auto->geometry().topLeft(), QPoint(15, 2)) << "a widened control keeps its place";
  EXPECT_EQ(form.L_pause->pos(), QPoint(106, 61)) << "labels stay where the layout puts them";

  std::vector<std::string> cutInBreakWindow{"not checked"};
  QTimer::singleShot(0, [&] {
    cutInBreakWindow = CutCaptions(form.BreakForm);
    form.OkClick();
    const std::vector<std::string> pausing = CutCaptions(form.BreakForm);
    cutInBreakWindow.insert(cutInBreakWindow.end(), pausing.begin(), pausing.end());
    form.BreakForm->close();
  });
  form.sveglia();
  EXPECT_EQ(cutInBreakWindow, std::vector<std::string>{});
}

TEST_F(LookTest, TheInfoPictureHasItsFullSizeAtTheScreensPixelRatio) {
  ASSERT_DOUBLE_EQ(form.devicePixelRatioF(), ScaleFactor()) << "the run is not at the scale it was started with";
  form.PageControl1->setCurrentWidget(form.TabSheet4);
  const QPixmap picture = form.Image2->pixmap();
  EXPECT_EQ(picture.deviceIndependentSize(), QSizeF(211, 214));
  EXPECT_DOUBLE_EQ(picture.devicePixelRatio(), form.devicePixelRatioF()) << "drawn at the screen's pixels";
  EXPECT_EQ(form.Image2->geometry(), QRect(85, 33, 211, 214));
}

// A dark desktop theme hands the program a dark palette before its windows
// exist; the program's colours were chosen for a light face.
TEST(DarkDesktop, TheFaceBehindTheClocksStaysLight) {
  const QPalette desktop = QApplication::palette();
  QPalette dark(QColor(0x30, 0x30, 0x30), QColor(0x20, 0x20, 0x20));
  dark.setColor(QPalette::WindowText, Qt::white);
  QApplication::setPalette(dark);
  {
    TApplication application;
    ManualClock clock{std::chrono::hours(24 * 100)};
    RecordingNotificationArea area;
    TMainForm form({&clock, &area});
    application.SetMainForm(&form);
    const QImage shot = form.grab().toImage();
    const qreal scale = shot.devicePixelRatio();
    // Inside the idle clock's sunken frame, left of its centred text.
    const QPoint face = form.StaticText1->mapTo(&form, QPoint(4, form.StaticText1->height() / 2));
    const QColor behindClock = shot.pixelColor(face * scale);
    EXPECT_GT(behindClock.lightness(), 200) << behindClock.name().toStdString();
    const QColor behindHeading = shot.pixelColor(QPoint(4, 40) * scale);
    EXPECT_GT(behindHeading.lightness(), 200) << behindHeading.name().toStdString();
  }
  QApplication::setPalette(desktop);
}
