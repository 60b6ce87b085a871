#pragma once

#include <QKeySequence>
#include <QString>

class QEvent;
class QWidget;

namespace pausalo {

// The Alt+character shortcut that a widget takes from the accelerator of
// its text (the character after the last single "&"). It holds one
// shortcut at a time and gives the old one back when the text changes.
class TAccelerator {
 public:
  explicit TAccelerator(QWidget& owner) : owner_(owner) {}
  TAccelerator(const TAccelerator&) = delete;
  TAccelerator& operator=(const TAccelerator&) = delete;

  // Takes the accelerator of text; a null text, or one without an
  // accelerator, takes none.
  void SetText(const QString& text);
  // A disabled accelerator leaves its key to the other widgets.
  void SetEnabled(bool enabled);
  // Whether the event is this accelerator's key being pressed.
  bool IsPressed(const QEvent& event) const;

 private:
  QWidget& owner_;
  QKeySequence key_;
  int id_ = 0;
};

}  // namespace pausalo
