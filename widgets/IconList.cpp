#include "widgets/IconList.h"

#include <QDataStream>
#include <QIODevice>
#include <algorithm>
#include <string>

#include "platform/Exception.h"

namespace pausalo {

namespace {

[[noreturn]] void RefuseStoredForm(const std::string& why) {
  throw Exception("The stored icon list cannot be read: " + why + ".");
}

}  // namespace

void TIconList::CheckIndex(int index, int count) const {
  if (index < 0 || index >= count) throw Exception("Icon list index out of bounds (" + std::to_string(index) + ")");
}

void TIconList::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange();
}

void TIconList::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) Changed();
}

std::unique_ptr<TIcon> TIconList::CopyOf(const TIcon& icon) {
  auto copy = std::make_unique<TIcon>();
  copy->Assign(icon);
  return copy;
}

const TIcon& TIconList::Icon(int index) const {
  CheckIndex(index, Count());
  return *icons_[static_cast<std::size_t>(index)];
}

void TIconList::Put(int index, const TIcon& icon) {
  CheckIndex(index, Count());
  icons_[static_cast<std::size_t>(index)]->Assign(icon);
  Changed();
}

int TIconList::Add(const TIcon& icon) {
  icons_.push_back(CopyOf(icon));
  Changed();
  return Count() - 1;
}

int TIconList::AddFromFile(const QString& path) {
  TIcon icon;
  icon.LoadFromFile(path);
  return Add(icon);
}

void TIconList::Insert(int index, const TIcon& icon) {
  CheckIndex(index, Count() + 1);
  icons_.insert(icons_.begin() + index, CopyOf(icon));
  Changed();
}

void TIconList::Delete(int index) {
  CheckIndex(index, Count());
  icons_.erase(icons_.begin() + index);
  Changed();
}

void TIconList::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  std::swap(icons_[static_cast<std::size_t>(index1)], icons_[static_cast<std::size_t>(index2)]);
  Changed();
}

void TIconList::Move(int currentIndex, int newIndex) {
  if (currentIndex == newIndex) return;
  CheckIndex(currentIndex, Count());
  CheckIndex(newIndex, Count());
  auto moved = std::move(icons_[static_cast<std::size_t>(currentIndex)]);
  icons_.erase(icons_.begin() + currentIndex);
  icons_.insert(icons_.begin() + newIndex, std::move(moved));
  Changed();
}

int TIconList::IndexOf(const TIcon* icon) const {
  const auto found = std::find_if(icons_.begin(), icons_.end(),
                                  [icon](const auto& entry) { return entry.get() == icon; });
  return found == icons_.end() ? -1 : static_cast<int>(found - icons_.begin());
}

void TIconList::Clear() {
  if (icons_.empty()) return;
  icons_.clear();
  Changed();
}

void TIconList::Assign(const TIconList& source) {
  if (&source == this) return;
  std::vector<std::unique_ptr<TIcon>> copies;
  for (const auto& icon : source.icons_) copies.push_back(CopyOf(*icon));
  icons_ = std::move(copies);
  Changed();
}

QByteArray TIconList::WriteData() const {
  QByteArray stored;
  QDataStream out(&stored, QIODevice::WriteOnly);
  out.setByteOrder(QDataStream::LittleEndian);
  out << static_cast<qint32>(icons_.size());
  for (const auto& icon : icons_) {
    const QByteArray& data = icon->Data();
    out << static_cast<qint32>(data.size());
    out.writeRawData(data.constData(), static_cast<int>(data.size()));
  }
  return stored;
}

void TIconList::ReadData(const QByteArray& stored) {
  QDataStream in(stored);
  in.setByteOrder(QDataStream::LittleEndian);
  qint32 count = 0;
  in >> count;
  if (in.status() != QDataStream::Ok) RefuseStoredForm("it is truncated");
  if (count < 0) RefuseStoredForm("its count is negative");
  std::vector<std::unique_ptr<TIcon>> read;
  for (qint32 entry = 0; entry < count; ++entry) {
    qint32 size = 0;
    in >> size;
    if (in.status() != QDataStream::Ok) RefuseStoredForm("it is truncated");
    if (size < 0) RefuseStoredForm("entry " + std::to_string(entry) + " has a negative size");
    if (size > stored.size()) RefuseStoredForm("it is truncated");
    QByteArray data(size, Qt::Uninitialized);
    if (in.readRawData(data.data(), size) != size) RefuseStoredForm("it is truncated");
    auto icon = std::make_unique<TIcon>();
    try {
      if (size > 0) icon->LoadFromData(data);
    } catch (const Exception&) {
      RefuseStoredForm("entry " + std::to_string(entry) + " is not an icon");
    }
    read.push_back(std::move(icon));
  }
  if (!in.atEnd()) RefuseStoredForm("there is data after the last entry");
  icons_ = std::move(read);
  Changed();
}

}  // namespace pausalo
