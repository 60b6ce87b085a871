#pragma once

#include <QByteArray>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Icon.h"

namespace pausalo {

// A list of icons it owns (copies of those it is given), with a change
// notification and a stored binary form.
class TIconList {
 public:
  TIconList() = default;
  TIconList(const TIconList&) = delete;
  TIconList& operator=(const TIconList&) = delete;

  int Count() const { return static_cast<int>(icons_.size()); }
  // The icon at an index; throws Exception for an index out of bounds.
  const TIcon& Icon(int index) const;
  // Replaces the picture at an index with a copy of the given icon.
  void Put(int index, const TIcon& icon);

  int Add(const TIcon& icon);
  // Adds an icon loaded from an icon file or a Qt resource path.
  int AddFromFile(const QString& path);
  void Insert(int index, const TIcon& icon);
  void Delete(int index);
  void Exchange(int index1, int index2);
  void Move(int currentIndex, int newIndex);
  int IndexOf(const TIcon* icon) const;
  void Clear();
  // Takes copies of another list's icons in place of its own.
  void Assign(const TIconList& source);

  // Changes made between these raise OnChange once, at the end.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  std::function<void()> OnChange;

  // The stored form: a 32-bit count, then per entry a 32-bit byte size (0
  // for an empty icon) and that many bytes of the icon file, little-endian.
  QByteArray WriteData() const;
  // Reads a stored form in place of the current entries. A truncated or
  // corrupt form throws Exception and leaves the list as it was.
  void ReadData(const QByteArray& stored);

 private:
  void CheckIndex(int index, int count) const;
  void Changed();
  static std::unique_ptr<TIcon> CopyOf(const TIcon& icon);

  std::vector<std::unique_ptr<TIcon>> icons_;
  int updateCount_ = 0;
};

}  // namespace pausalo
