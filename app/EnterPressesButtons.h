#pragma once

#include <QObject>

class QWidget;

namespace pausalo {

// Enter and Return press the focused push or tool button of a window, as
// Space does: desktops this program's users come from work that way. Held
// down, or with a modifier other than the keypad's, they press nothing.
// Made once the window's buttons exist; the window owns it.
class EnterPressesButtons final : public QObject {
  Q_OBJECT

 public:
  explicit EnterPressesButtons(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace pausalo
