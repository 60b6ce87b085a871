#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <set>
#include <string>
#include <vector>

#include "EventLoopWaits.h"
#include "RecordingNotificationArea.h"
#include "TestIcons.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "widgets/TrayIcon.h"

using namespace pausalo;
using pausalo::testing::LoadIcon;
using pausalo::testing::ProcessEventsUntil;
using pausalo::testing::RecordingNotificationArea;
using namespace std::chrono_literals;

namespace {

class FakePointer final : public PointerState {
 public:
  QPoint cursor{10, 20};
  TShiftState keys;
  QPoint CursorPos() const override { return cursor; }
  TShiftState KeyboardShift() const override { return keys; }
};

struct MouseRecord {
  MouseRecord(std::string event, TMouseButton button = mbLeft, TShiftState shift = {}, int x = 0, int y = 0)
      : event(std::move(event)), button(button), shift(shift), x(x), y(y) {}
  std::string event;
  TMouseButton button;
  TShiftState shift;
  int x, y;
  bool operator==(const MouseRecord&) const = default;
};

class TrayIconTest : public ::testing::Test {
 protected:
  TrayIconTest() {
    application.OnException = [this](const std::exception& error) { shownErrors.push_back(error.what()); };
    LoadIcon(picture, Qt::red);
    tray.OnClick = Recorder("click");
    tray.OnMouseDown = Recorder("down");
    tray.OnMouseUp = Recorder("up");
    tray.OnMouseMove = [this](QObject* sender, TShiftState shift, int x, int y) {
      EXPECT_EQ(sender, &tray);
      events.push_back({"move", mbLeft, shift, x, y});
    };
    tray.OnDblClick = [this](QObject* sender) {
      EXPECT_EQ(sender, &tray);
      events.push_back({"dblclick"});
    };
  }

  TMouseEvent Recorder(std::string name) {
    return [this, name](QObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
      EXPECT_EQ(sender, &tray);
      events.push_back({name, button, shift, x, y});
    };
  }
  // The notification area reports a mouse action on the icon.
  void Mouse(std::int32_t mouseMessage) {
    pausalo_post_message(tray.Handle(), TrayCallbackMessage, 0, mouseMessage);
    QCoreApplication::processEvents();
  }
  void ShowWithPicture() {
    tray.SetActive(false);
    tray.SetIcon(picture);
    tray.SetActive(true);
    area.calls.clear();
  }

  TApplication application;
  std::vector<std::string> shownErrors;
  RecordingNotificationArea area;
  FakePointer pointer;
  TIcon picture;
  TTrayIcon tray{nullptr, area, pointer};
  std::vector<MouseRecord> events;
};

}  // namespace

TEST(ShortTip, CutsAtTheBarAndAtSixtyThreeBytesWithoutSplittingCharacters) {
  EXPECT_EQ(ShortTip(QString(70, 'a')), std::string(63, 'a'));
  EXPECT_EQ(ShortTip("abc|the long hint"), "abc");
  EXPECT_EQ(ShortTip("|hint"), "");
  // 62 ASCII bytes and then a two-byte character: the character does not fit.
  EXPECT_EQ(ShortTip(QString(62, 'a') + QString::fromUtf8("é")), std::string(62, 'a'));
  EXPECT_EQ(ShortTip(QString(61, 'a') + QString::fromUtf8("é")), std::string(61, 'a') + "é");
  EXPECT_EQ(ShortTip(QString::fromUtf8("€€€€€€€€€€€€€€€€€€€€€€")).size(), 63u);
}

TEST_F(TrayIconTest, AHintSetWhileInactiveIsStoredAndShownOnActivation) {
  tray.SetActive(false);
  tray.SetIcon(picture);
  area.calls.clear();
  tray.SetHint("Time elapsed: 00:00:01");
  EXPECT_TRUE(area.calls.empty());

  tray.SetActive(true);
  ASSERT_EQ(area.Actions(), (std::vector{NIM_DELETE, NIM_ADD}));
  const TNotifyIconData& added = area.calls[1].data;
  EXPECT_EQ(added.cbSize, 88u);
  EXPECT_EQ(added.Wnd, tray.Handle());
  EXPECT_EQ(added.uID, 0u);
  EXPECT_EQ(added.uFlags, 7u);
  EXPECT_EQ(added.uCallbackMessage, 0xB054u);
  EXPECT_EQ(added.hIcon, tray.Icon().Handle());
  EXPECT_EQ(added.Tip(), "Time elapsed: 00:00:01");
  EXPECT_TRUE(tray.Added());
}

TEST_F(TrayIconTest, HintChangesWhileShownModifyOnceEachAndRepeatsCostNothing) {
  ShowWithPicture();
  tray.SetHint("Time elapsed: 00:00:01");
  tray.SetHint("Time elapsed: 00:00:01");
  tray.SetHint("Time elapsed: 00:00:02");
  ASSERT_EQ(area.Actions(), (std::vector{NIM_MODIFY, NIM_MODIFY}));
  EXPECT_EQ(area.calls[1].data.Tip(), "Time elapsed: 00:00:02");
}

TEST_F(TrayIconTest, AnEmptyHintIsAddedAndThenModifiedOnce) {
  tray.SetActive(false);
  tray.SetIcon(picture);
  area.calls.clear();
  tray.SetActive(true);
  EXPECT_EQ(area.Actions(), (std::vector{NIM_DELETE, NIM_ADD, NIM_MODIFY}));
}

TEST_F(TrayIconTest, AnEmptyIconShowsNothing) {
  tray.SetActive(false);
  area.calls.clear();
  tray.SetActive(true);
  EXPECT_EQ(area.Actions(), std::vector{NIM_DELETE});
  EXPECT_FALSE(tray.Added());
  EXPECT_TRUE(area.shownIcons.empty());
}

TEST_F(TrayIconTest, AFailedAddIsRetriedByTheNextChangeWhileActive) {
  area.available = false;
  tray.SetActive(false);
  tray.SetIcon(picture);
  tray.SetActive(true);
  EXPECT_FALSE(tray.Added());

  area.available = true;
  tray.SetHint("Pausalo");
  EXPECT_TRUE(tray.Added());
  EXPECT_EQ(area.calls.back().data.Tip(), "Pausalo");
}

TEST_F(TrayIconTest, ALeftClickRaisesDownClickUpWithTheCursorAndKeysAtHandlingTime) {
  ShowWithPicture();
  pointer.keys = {ssCtrl};
  pointer.cursor = {300, 5};
  Mouse(WM_LBUTTONDOWN);
  pointer.cursor = {301, 6};
  Mouse(WM_LBUTTONUP);
  const std::vector<MouseRecord> expected{
      {"down", mbLeft, {ssCtrl, ssLeft}, 300, 5},
      {"click", mbLeft, {ssCtrl, ssLeft}, 301, 6},
      {"up", mbLeft, {ssCtrl, ssLeft}, 301, 6},
  };
  EXPECT_EQ(events, expected);
}

TEST_F(TrayIconTest, ARightClickWithoutMenuClicksWithTheRightButton) {
  ShowWithPicture();
  Mouse(WM_RBUTTONDOWN);
  Mouse(WM_RBUTTONUP);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1], (MouseRecord{"click", mbRight, {ssRight}, 10, 20}));
}

TEST_F(TrayIconTest, AReleaseWithoutAPressOnTheIconIsNoClick) {
  ShowWithPicture();
  Mouse(WM_LBUTTONUP);
  Mouse(WM_MBUTTONDOWN);
  Mouse(WM_MBUTTONUP);
  const std::vector<MouseRecord> expected{
      {"up", mbLeft, {ssLeft}, 10, 20},
      {"down", mbMiddle, {ssMiddle}, 10, 20},
      {"up", mbMiddle, {ssMiddle}, 10, 20},
  };
  EXPECT_EQ(events, expected);
}

TEST_F(TrayIconTest, DoubleClicksCarryTheDoubleMemberAndOnlyLeftRunsTheStep) {
  ShowWithPicture();
  Mouse(WM_LBUTTONDBLCLK);
  Mouse(WM_RBUTTONDBLCLK);
  Mouse(WM_MBUTTONDBLCLK);
  Mouse(WM_MOUSEMOVE);
  Mouse(0x20A);  // not a message of the table
  const std::vector<MouseRecord> expected{
      {"dblclick"},
      {"down", mbLeft, {ssDouble}, 10, 20},
      {"down", mbRight, {ssDouble}, 10, 20},
      {"down", mbMiddle, {ssDouble}, 10, 20},
      {"move", mbLeft, TShiftState{}, 10, 20},
  };
  EXPECT_EQ(events, expected);
}

TEST_F(TrayIconTest, DisabledIgnoresMouseActions) {
  ShowWithPicture();
  tray.SetEnabled(false);
  Mouse(WM_LBUTTONDOWN);
  Mouse(WM_LBUTTONUP);
  EXPECT_TRUE(events.empty());
}

TEST_F(TrayIconTest, AClickThatDeactivatesRemovesTheIconBeforeTheMouseUp) {
  ShowWithPicture();
  tray.OnClick = [this](QObject*, TMouseButton, TShiftState, int, int) {
    events.push_back({"click"});
    tray.SetActive(false);
  };
  Mouse(WM_LBUTTONDOWN);
  Mouse(WM_LBUTTONUP);
  EXPECT_FALSE(tray.Added());
  EXPECT_TRUE(area.shownIcons.empty());
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[2].event, "up");
}

TEST_F(TrayIconTest, AFailingHandlerIsReportedAndTheIconStaysUsable) {
  ShowWithPicture();
  tray.OnMouseDown = [](QObject*, TMouseButton, TShiftState, int, int) { throw Exception("handler failed"); };
  Mouse(WM_LBUTTONDOWN);
  EXPECT_EQ(shownErrors, std::vector<std::string>{"handler failed"});
  Mouse(WM_LBUTTONUP);
  ASSERT_EQ(events.size(), 1u) << "the press did not reach the clicked buttons";
  EXPECT_EQ(events[0].event, "up");
}

TEST_F(TrayIconTest, ARightClickPopsUpTheMenuInsteadOfClicking) {
  ShowWithPicture();
  TPopupMenu menu;
  menu.addAction("Restore");
  tray.SetPopupMenu(&menu);
  pointer.cursor = {40, 50};
  Mouse(WM_RBUTTONDOWN);
  Mouse(WM_RBUTTONUP);
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(menu.PopupComponent(), &tray);
  EXPECT_EQ(events.size(), 2u) << "down and up, no click";
  menu.close();

  menu.SetAutoPopup(false);
  Mouse(WM_RBUTTONDOWN);
  Mouse(WM_RBUTTONUP);
  EXPECT_EQ(events[3].event, "click");
}

TEST_F(TrayIconTest, ADoubleClickRunsTheEnabledDefaultItem) {
  ShowWithPicture();
  TPopupMenu menu;
  menu.addAction("First");
  QAction* preferred = menu.addAction("Preferred");
  int preferredRuns = 0;
  QObject::connect(preferred, &QAction::triggered, [&] { ++preferredRuns; });
  menu.setDefaultAction(preferred);
  tray.SetPopupMenu(&menu);

  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(preferredRuns, 1);
  EXPECT_EQ(events.size(), 1u) << "no double-click event, only the press";

  preferred->setEnabled(false);
  Mouse(WM_LBUTTONDBLCLK);
  EXPECT_EQ(preferredRuns, 1);
  EXPECT_EQ(events[1].event, "dblclick");
}

TEST_F(TrayIconTest, InAFormDesignerOnlyShowDesignShowsTheIcon) {
  tray.SetActive(false);
  tray.SetIcon(picture);
  tray.SetShowDesign(true);
  EXPECT_FALSE(tray.ShowDesign()) << "outside the designer nothing is stored";

  tray.SetDesigning(true);
  area.calls.clear();
  tray.SetActive(true);
  EXPECT_TRUE(area.calls.empty()) << "Active shows nothing in the designer";
  tray.Loaded();
  EXPECT_FALSE(tray.Added());
  tray.SetShowDesign(true);
  EXPECT_TRUE(tray.Added());
  EXPECT_TRUE(tray.ShowDesign());
  tray.SetHint("changed");
  EXPECT_EQ(area.calls.back().action, NIM_MODIFY);
  tray.SetShowDesign(false);
  EXPECT_FALSE(tray.Added());
  EXPECT_FALSE(tray.ShowDesign());
}

TEST_F(TrayIconTest, FreeingTheMenuDetachesIt) {
  auto* menu = new TPopupMenu;
  tray.SetPopupMenu(menu);
  delete menu;
  EXPECT_EQ(tray.PopupMenu(), nullptr);
  ShowWithPicture();
  Mouse(WM_RBUTTONDOWN);
  Mouse(WM_RBUTTONUP);
  EXPECT_EQ(events[1].event, "click");
}

TEST_F(TrayIconTest, DestructionDeletesTheIconAndClosesItsWindow) {
  PausaloWindow handle;
  {
    TTrayIcon local(nullptr, area, pointer);
    local.SetIcon(picture);
    local.Loaded();
    ASSERT_TRUE(local.Added());
    handle = local.Handle();
    area.calls.clear();
  }
  EXPECT_EQ(area.Actions(), std::vector{NIM_DELETE});
  EXPECT_TRUE(area.shownIcons.empty());
  EXPECT_EQ(pausalo_post_message(handle, TrayCallbackMessage, 0, WM_LBUTTONDOWN), 0);
}

TEST_F(TrayIconTest, AnimationStepsThroughTheFramesOnTheGuiThread) {
  TIcon green, blue;
  LoadIcon(green, Qt::green);
  LoadIcon(blue, Qt::blue);
  tray.Icons().Add(green);
  tray.Icons().Add(blue);
  ShowWithPicture();
  tray.SetInterval(60000);
  tray.SetAnimated(true);
  ASSERT_TRUE(tray.Animated());
  EXPECT_EQ(area.calls.back().data.hIcon, tray.Icons().Icon(0).Handle());

  // Each frame stands for one interval: the two take turns, none shown
  // twice in a row.
  const auto framesTakeTurns = [&] {
    std::vector<std::uint32_t> shown;
    ProcessEventsUntil(
        [&] {
          shown.clear();
          for (const auto& call : area.calls)
            if (call.action == NIM_MODIFY) shown.push_back(call.data.hIcon);
          return shown.size() >= 6;
        },
        10s);
    if (shown.size() < 6) return ::testing::AssertionFailure() << "only " << shown.size() << " frames";
    const std::set<std::uint32_t> frames{tray.Icons().Icon(0).Handle(), tray.Icons().Icon(1).Handle()};
    for (std::size_t i = 0; i < shown.size(); ++i)
      if (!frames.contains(shown[i]) || (i > 0 && shown[i] == shown[i - 1]))
        return ::testing::AssertionFailure() << "frame " << i << " is not the one due";
    return ::testing::AssertionSuccess();
  };
  // A new interval reaches the running animation; hiding the icon (pausing
  // the frames) cuts the minute's wait short, and shown again it animates on.
  tray.SetInterval(5);
  for (int shown = 0; shown < 2; ++shown) {
    tray.SetActive(false);
    tray.SetActive(true);
    area.calls.clear();
    EXPECT_TRUE(framesTakeTurns()) << "shown again " << shown + 1 << " times";
  }

  tray.SetAnimated(false);
  EXPECT_EQ(area.calls.back().data.hIcon, tray.Icon().Handle());
  tray.Icons().Clear();
  tray.SetAnimated(true);
  EXPECT_FALSE(tray.Animated()) << "no frames, no animation";
}
