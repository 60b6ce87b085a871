#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <cstdint>
#include <functional>

namespace pausalo {

// An icon with a handle, as the notification area refers to it. Holds its
// picture in the icon file format (the form it is stored in) and as a QIcon.
class TIcon {
 public:
  TIcon();
  ~TIcon();
  TIcon(const TIcon&) = delete;
  TIcon& operator=(const TIcon&) = delete;

  bool Empty() const { return data_.isEmpty(); }
  // Stays the same for the life of the object; 0 never names an icon.
  std::uint32_t Handle() const { return handle_; }
  const QIcon& Image() const { return image_; }
  // The icon in the icon file format; empty for an empty icon.
  const QByteArray& Data() const { return data_; }

  // Copies another icon's picture (an empty one empties this).
  void Assign(const TIcon& source);
  // Takes an icon file's bytes. Throws Exception when they are not an icon.
  void LoadFromData(const QByteArray& iconFile);
  // Loads an icon file (or a Qt resource such as ":/icons/x.ico").
  void LoadFromFile(const QString& path);
  // Makes the icon from a picture, stored as an icon file.
  void LoadFromImage(const QImage& picture);
  void Clear();

  // Called after every change of the picture.
  std::function<void()> OnChange;

  // The icon with a handle, or null when no living icon has it.
  static const TIcon* FromHandle(std::uint32_t handle);

 private:
  void Changed();

  std::uint32_t handle_;
  QByteArray data_;
  QIcon image_;
};

}  // namespace pausalo
