// The tray icon list's stored form from untrusted bytes: reading never
// crashes or leaks, a form that is read writes back as the same bytes, and a
// refused one leaves the list as it was.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

#include "platform/Exception.h"
#include "widgets/IconList.h"

namespace {

QByteArray StartingForm() {
  pausalo::TIconList list;
  pausalo::TIcon icon;
  QImage picture(16, 16, QImage::Format_ARGB32);
  picture.fill(Qt::red);
  icon.LoadFromImage(picture);
  list.Add(icon);
  return list.WriteData();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "icon_list_fuzzer";
  static char* argv[] = {name, nullptr};
  static QGuiApplication application(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const QByteArray startingForm = StartingForm();
  const QByteArray stored(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  pausalo::TIconList list;
  list.ReadData(startingForm);
  try {
    list.ReadData(stored);
  } catch (const pausalo::Exception&) {
    if (list.WriteData() != startingForm) std::abort();  // a refused form changed the list
    return 0;
  }
  if (list.WriteData() != stored) std::abort();  // what was read does not write back the same
  return 0;
}
