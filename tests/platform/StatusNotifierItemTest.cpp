#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>

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

// The tray hint is set every half second and changes once a second: each
// announcement makes every panel read the property again.
TEST(StatusNotifierItem, AnnouncesOnlyChangesOfTheToolTipAndIcon) {
  StatusNotifierItem item(QDBusConnection(QStringLiteral("pausalo-test-no-bus")), QStringLiteral("Pausalo"));
  QSignalSpy toolTips(&item, &StatusNotifierItem::NewToolTip);
  QSignalSpy icons(&item, &StatusNotifierItem::NewIcon);
  item.SetToolTip("Time elapsed: 00:00:01");
  item.SetToolTip("Time elapsed: 00:00:01");
  item.SetToolTip("Time elapsed: 00:00:02");
  EXPECT_EQ(toolTips.count(), 2);
  EXPECT_EQ(item.ToolTip().text, "Time elapsed: 00:00:02");
  EXPECT_EQ(item.ToolTip().title, "Pausalo");

  QImage picture(16, 16, QImage::Format_ARGB32);
  picture.fill(Qt::red);
  const QIcon icon(QPixmap::fromImage(picture));
  item.SetIcon(icon);
  item.SetIcon(icon);
  EXPECT_EQ(icons.count(), 1);
  ASSERT_EQ(item.IconPixmap().size(), 1);
  EXPECT_EQ(item.IconPixmap().first().width, 16);
}
