#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <tuple>

#include "platform/StatusNotifierItem.h"

using namespace pausalo;

// Panels read each pixel as 32-bit ARGB in network byte order: alpha first.
TEST(StatusNotifierPixmap, HoldsEachPixelAsAlphaRedGreenBlueRowByRow) {
  QImage image(2, 2, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(0x10, 0x20, 0x30, 0xFF));
  image.setPixel(1, 0, qRgba(0xA0, 0xB0, 0xC0, 0x80));
  image.setPixel(0, 1, qRgba(0x01, 0x02, 0x03, 0x00));
  image.setPixel(1, 1, qRgba(0x44, 0x55, 0x66, 0x77));
  const StatusNotifierPixmap pixmap = ToStatusNotifierPixmap(image);
  EXPECT_EQ(pixmap.width, 2);
  EXPECT_EQ(pixmap.height, 2);
  EXPECT_EQ(pixmap.pixels, QByteArray::fromHex("FF102030"
                                               "80A0B0C0"
                                               "00010203"
                                               "77445566"));
}

// The tray hint is set every half second and changes once a second; a host
// shows it to the minute. Each announcement makes every host read the item
// again and repaint, so only a change of what it shows is announced.
TEST(StatusNotifierItem, AnnouncesOnlyChangesOfWhatTheHostShows) {
  StatusNotifierItem item(QDBusConnection(QStringLiteral("pausalo-test-no-bus")), QStringLiteral("Pausalo"));
  QSignalSpy toolTips(&item, &StatusNotifierItem::NewToolTip);
  QSignalSpy icons(&item, &StatusNotifierItem::NewIcon);
  // Each hint, the text the host shows for it, and the announcements so far.
  using Step = std::tuple<const char*, const char*, int>;
  for (const auto& [hint, shown, announced] :
       {Step{"Pausalo", "Pausalo", 1}, Step{"Time elapsed: 00:00:01", "Time elapsed: 0 min", 2},
        Step{"Time elapsed: 00:00:59", "Time elapsed: 0 min", 2},
        Step{"Time elapsed: 00:01:00", "Time elapsed: 1 min", 3},
        Step{"Time elapsed: 01:23:59", "Time elapsed: 1 h 23 min", 4}}) {
    SCOPED_TRACE(hint);
    item.SetToolTip(hint);
    EXPECT_EQ(item.ToolTip().text.toStdString(), shown);
    EXPECT_EQ(toolTips.count(), announced);
  }
  EXPECT_EQ(item.ToolTip().title, "Pausalo");

  // The same picture in another icon is no change.
  QImage picture(16, 16, QImage::Format_ARGB32);
  picture.fill(Qt::red);
  item.SetIcon(QIcon(QPixmap::fromImage(picture)));
  item.SetIcon(QIcon(QPixmap::fromImage(picture)));
  EXPECT_EQ(icons.count(), 1);
  ASSERT_EQ(item.IconPixmap().size(), 1);
  EXPECT_EQ(item.IconPixmap().first().width, 16);
  picture.fill(Qt::blue);
  item.SetIcon(QIcon(QPixmap::fromImage(picture)));
  EXPECT_EQ(icons.count(), 2);
}
