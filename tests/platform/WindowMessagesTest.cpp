#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/MessageWindow.h"

using namespace pausalo;

namespace {

class RecordingWindow final : public MessageWindow {
 public:
  std::vector<TMessage> received;
  std::vector<QThread*> threads;

 protected:
  void WndProc(TMessage& message) override {
    received.push_back(message);
    threads.push_back(QThread::currentThread());
    message.Result = 7;
  }
};

}  // namespace

TEST(RegisteredMessages, SameNameSameIdentifierFromC000Up) {
  const uint32_t keyboard = pausalo_register_window_message("KB_Hook");
  const uint32_t mouse = pausalo_register_window_message("M_Hook");
  EXPECT_GE(keyboard, 0xC000u);
  EXPECT_GE(mouse, 0xC000u);
  EXPECT_NE(keyboard, mouse);
  EXPECT_EQ(pausalo_register_window_message("KB_Hook"), keyboard);
  EXPECT_EQ(pausalo_register_window_message(""), 0u);
  EXPECT_EQ(pausalo_register_window_message(nullptr), 0u);
}

TEST(PostedMessages, ArriveOnTheOwningThreadInOrderFromAnyThread) {
  RecordingWindow window;
  constexpr int Count = 1000;
  // A second round after the first was delivered: the GUI thread must be
  // woken again.
  for (int round = 0; round < 2; ++round) {
    std::thread poster([handle = window.Handle(), first = round * Count] {
      for (int i = first; i < first + Count; ++i) ASSERT_EQ(pausalo_post_message(handle, 0xC001, i, -i), 1);
    });
    poster.join();
    QCoreApplication::processEvents();
    ASSERT_EQ(window.received.size(), static_cast<std::size_t>((round + 1) * Count));
  }

  for (int i = 0; i < 2 * Count; ++i) {
    EXPECT_EQ(window.received[static_cast<std::size_t>(i)].WParam, i);
    EXPECT_EQ(window.received[static_cast<std::size_t>(i)].LParam, -i);
  }
  for (QThread* thread : window.threads) EXPECT_EQ(thread, QThread::currentThread());
}

TEST(PostedMessages, CopiesPostedAtOnceArriveOneByOneEachAnsweredAfresh) {
  RecordingWindow window;
  std::thread poster([handle = window.Handle()] {
    EXPECT_EQ(pausalo_post_messages(handle, 0xC003, 5, 6, 3), 1);
    EXPECT_EQ(pausalo_post_messages(handle, 0xC003, 5, 6, 0), 1) << "no copies, but the window is there";
    EXPECT_EQ(pausalo_post_message(handle, 0xC004, 1, 2), 1);
  });
  poster.join();
  QCoreApplication::processEvents();

  ASSERT_EQ(window.received.size(), 4u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(window.received[i].Msg, 0xC003u);
    EXPECT_EQ(window.received[i].WParam, 5);
    EXPECT_EQ(window.received[i].LParam, 6);
    EXPECT_EQ(window.received[i].Result, 0) << "copy " << i << " starts with the Result of a fresh message";
  }
  EXPECT_EQ(window.received[3].Msg, 0xC004u);
  EXPECT_EQ(pausalo_post_messages(0, 0xC003, 5, 6, 3), 0);
}

TEST(PostedMessages, ToAWindowThatIsGoneAreRefusedAndNeverDelivered) {
  PausaloWindow handle;
  {
    RecordingWindow window;
    handle = window.Handle();
    EXPECT_EQ(pausalo_post_message(handle, 0xC001, 1, 2), 1);
  }  // destroyed with a message still queued
  QCoreApplication::processEvents();
  EXPECT_EQ(pausalo_post_message(handle, 0xC001, 1, 2), 0);
  EXPECT_EQ(pausalo_post_message(0, 0xC001, 1, 2), 0);
}

TEST(PostedMessages, RacingADestroyedWindowIsSafe) {
  // First a program is started, as the desktop tests start theirs: the
  // race detector must still see this thread's locks afterwards.
  ASSERT_EQ(QProcess::execute("true", {}), 0);
  // A poster keeps posting while windows come and go on this thread: each
  // window takes messages after it handled some, and goes with them queued.
  // Only the queue's locks order the two threads: the count of messages
  // taken is relaxed.
  std::atomic<PausaloWindow> target{0};
  std::atomic<bool> done{false};
  std::atomic<int> taken{0};
  std::thread poster([&] {
    while (!done) taken.fetch_add(pausalo_post_message(target.load(), 0xC002, 0, 0), std::memory_order_relaxed);
  });
  for (int i = 0; i < 200; ++i) {
    RecordingWindow window;
    target = window.Handle();
    QCoreApplication::processEvents();
    // The second message taken from now on was posted after the handling.
    const int handled = taken.load(std::memory_order_relaxed);
    while (taken.load(std::memory_order_relaxed) < handled + 2) std::this_thread::yield();
  }
  done = true;
  poster.join();
  QCoreApplication::processEvents();
}

TEST(PerformedMessages, ReachTheWindowProcedureAtOnceAndReturnItsResult) {
  RecordingWindow window;
  EXPECT_EQ(window.Perform(0x10, 3, 4), 7);
  ASSERT_EQ(window.received.size(), 1u);
  EXPECT_EQ(window.received[0].Msg, 0x10u);
}
