#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageWriter>

#include "platform/Icon.h"

namespace pausalo::testing {

// The bytes of a 16 x 16 icon file in one colour.
inline QByteArray IconFile(QColor color) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(color);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "ico");
  writer.write(image);
  return bytes;
}

inline void LoadIcon(TIcon& icon, QColor color) { icon.LoadFromData(IconFile(color)); }

}  // namespace pausalo::testing
