// The tray icon on a real X server with a real tray host, clicked through
// XTEST. Without a tray host (PAUSALO_NO_TRAY set for the display) only the
// NoTrayHost case applies.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <vector>

#include "EventLoopWaits.h"
#include "TestIcons.h"
#include "platform/Application.h"
#include "platform/NotificationArea.h"
#include "widgets/TrayIcon.h"

using namespace pausalo;
using namespace std::chrono_literals;
using pausalo::testing::ProcessEventsUntil;

namespace {

// The window Qt embeds into the tray host for an icon.
QWidget* EmbeddedTrayWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (QByteArray(widget->metaObject()->className()).contains("SystemTrayIcon") && widget->isVisible()) return widget;
  return nullptr;
}

void ClickAt(QPoint at, int button) {
  ASSERT_EQ(QProcess::execute("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                                          QString::number(button)}),
            0);
}

bool HasTrayHost() { return !qEnvironmentVariableIsSet("PAUSALO_NO_TRAY"); }

// Counts the paint events of the widget it filters.
class PaintCounter final : public QObject {
 public:
  explicit PaintCounter(int& paints) : paints_(paints) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints_;
    return false;
  }

 private:
  int& paints_;
};

class TrayIconOnX11 : public ::testing::Test {
 protected:
  TrayIconOnX11() {
    pausalo::testing::LoadIcon(picture, Qt::darkGreen);
    tray.SetActive(false);
    tray.SetIcon(picture);
    tray.SetHint("Time elapsed: 00:12:05|details");
    tray.OnClick = [this](QObject*, TMouseButton button, TShiftState, int, int) { clicks.push_back(button); };
    // The notification area learns from the session bus that no watcher is
    // there.
    if (HasTrayHost()) ProcessEventsUntil([] { return NotificationArea::System().Available(); });
  }

  TApplication application;
  TIcon picture;
  TTrayIcon tray;
  std::vector<TMouseButton> clicks;
};

}  // namespace

TEST_F(TrayIconOnX11, ShowsInTheTrayHostAndTurnsRealClicksIntoEvents) {
  if (!HasTrayHost()) GTEST_SKIP() << "this display has no tray host";
  tray.SetActive(true);
  ASSERT_TRUE(tray.Added());
  ASSERT_TRUE(ProcessEventsUntil([] { return EmbeddedTrayWindow() != nullptr; })) << "the icon never appeared";
  QWidget* icon = EmbeddedTrayWindow();
  EXPECT_EQ(icon->toolTip(), "Time elapsed: 00:12:05");
  // The tray's window and identifier are taken: no second icon under them.
  TNotifyIconData again;
  again.Wnd = tray.Handle();
  again.uFlags = NIF_ICON;
  again.hIcon = picture.Handle();
  EXPECT_FALSE(NotificationArea::System().Notify(NIM_ADD, again));
  // The tray host may still be placing the icon: click where it is now
  // until the click arrives.
  const auto clickUntilSeen = [&](int button, std::size_t clicksBefore) {
    for (int attempt = 0; attempt < 10 && clicks.size() == clicksBefore; ++attempt) {
      ProcessEventsUntil([&] { return icon->windowHandle() != nullptr && icon->windowHandle()->isExposed(); }, 2s);
      ClickAt(icon->mapToGlobal(icon->rect().center()), button);
      ProcessEventsUntil([&] { return clicks.size() > clicksBefore; }, 10s);
    }
    return clicks.size() == clicksBefore + 1;
  };
  ASSERT_TRUE(clickUntilSeen(1, 0));
  EXPECT_EQ(clicks[0], mbLeft);
  ASSERT_TRUE(clickUntilSeen(3, 1));
  EXPECT_EQ(clicks[1], mbRight);

  tray.SetActive(false);
  EXPECT_FALSE(tray.Added());
  EXPECT_TRUE(ProcessEventsUntil([] { return EmbeddedTrayWindow() == nullptr; })) << "the icon stayed";
}

// The hint changes every second while the program monitors; the docked icon
// must not be repainted for that, only when its picture changes.
TEST_F(TrayIconOnX11, AHintChangeLeavesTheDockedPictureUnpainted) {
  if (!HasTrayHost()) GTEST_SKIP() << "this display has no tray host";
  tray.SetActive(true);
  ASSERT_TRUE(ProcessEventsUntil([] { return EmbeddedTrayWindow() != nullptr; }));
  QWidget* icon = EmbeddedTrayWindow();
  ProcessEventsUntil([] { return false; }, 300ms);  // the first paints after docking
  int paints = 0;
  PaintCounter counter(paints);
  icon->installEventFilter(&counter);

  for (int second = 1; second <= 5; ++second) {
    tray.SetHint(QString("Time elapsed: 00:00:0%1").arg(second));
    ProcessEventsUntil([] { return false; }, 50ms);
  }
  EXPECT_EQ(icon->toolTip(), "Time elapsed: 00:00:05");
  EXPECT_EQ(paints, 0) << "a hint change repainted the icon";

  TIcon other;
  pausalo::testing::LoadIcon(other, Qt::darkRed);
  tray.SetIcon(other);
  EXPECT_TRUE(ProcessEventsUntil([&] { return paints > 0; })) << "a new picture was not painted";
  icon->removeEventFilter(&counter);
  tray.SetActive(false);
}

TEST_F(TrayIconOnX11, NoTrayHostLeavesTheIconOutWithoutAnError) {
  if (HasTrayHost()) GTEST_SKIP() << "this display has a tray host";
  tray.SetActive(true);
  EXPECT_FALSE(tray.Added());
  tray.SetHint("Pausalo");
  EXPECT_FALSE(tray.Added());
  EXPECT_EQ(EmbeddedTrayWindow(), nullptr);
}
