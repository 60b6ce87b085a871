#pragma once

#include <QPushButton>

namespace pausalo {

// A push button that stays down as one choice of several: checkable, in an
// exclusive button group. Assistive technology sees a radio button, checked
// while the button is down, named by its caption.
class ChoiceButton final : public QPushButton {
  Q_OBJECT

 public:
  explicit ChoiceButton(QWidget* parent = nullptr);
};

}  // namespace pausalo
