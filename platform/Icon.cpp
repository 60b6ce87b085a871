#include "platform/Icon.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPixmap>
#include <unordered_map>

#include "platform/Exception.h"

namespace pausalo {

namespace {

// Icons are made and looked up on the GUI thread only.
struct HandleTable {
  std::unordered_map<std::uint32_t, const TIcon*> icons;
  std::uint32_t next = 1;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

QIcon DecodeIconFile(const QByteArray& iconFile) {
  QBuffer buffer;
  buffer.setData(iconFile);
  QImageReader reader(&buffer, "ico");
  QIcon icon;
  do {
    const QImage frame = reader.read();
    if (frame.isNull()) break;
    icon.addPixmap(QPixmap::fromImage(frame));
  } while (reader.jumpToNextImage());
  if (icon.isNull()) throw Exception("The data is not an icon.");
  return icon;
}

}  // namespace

TIcon::TIcon() {
  HandleTable& table = Handles();
  while (table.next == 0 || table.icons.contains(table.next)) ++table.next;
  handle_ = table.next++;
  table.icons.emplace(handle_, this);
}

TIcon::~TIcon() { Handles().icons.erase(handle_); }

const TIcon* TIcon::FromHandle(std::uint32_t handle) {
  const auto& icons = Handles().icons;
  const auto found = icons.find(handle);
  return found == icons.end() ? nullptr : found->second;
}

void TIcon::Assign(const TIcon& source) {
  if (&source == this) return;
  data_ = source.data_;
  image_ = source.image_;
  Changed();
}

void TIcon::LoadFromData(const QByteArray& iconFile) {
  image_ = DecodeIconFile(iconFile);
  data_ = iconFile;
  Changed();
}

void TIcon::LoadFromFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw Exception("Cannot open the icon " + path.toStdString() + ".");
  LoadFromData(file.readAll());
}

void TIcon::LoadFromImage(const QImage& picture) {
  QByteArray iconFile;
  QBuffer buffer(&iconFile);
  buffer.open(QIODevice::WriteOnly);
  if (picture.isNull() || !QImageWriter(&buffer, "ico").write(picture))
    throw Exception("The picture cannot be made into an icon.");
  buffer.close();
  LoadFromData(iconFile);
}

void TIcon::Clear() {
  if (Empty()) return;
  data_.clear();
  image_ = QIcon();
  Changed();
}

void TIcon::Changed() {
  if (OnChange) OnChange();
}

}  // namespace pausalo
