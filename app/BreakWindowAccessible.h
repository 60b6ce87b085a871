#pragma once

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QObject>

namespace pausalo {

// What assistive technology sees of the break window: an alert, as a
// message box asking for a decision is, which screen readers read out in
// full when it appears. Its name is the window's title, its description the
// message (the window's accessible description); its controls are its
// children. The label that shows the message is not among them: a screen
// reader would read the message twice, once from the label and once from
// the description.
class BreakWindowAccessible final : public QAccessibleWidget {
 public:
  explicit BreakWindowAccessible(QWidget* window);

  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;

 private:
  QList<QWidget*> Controls() const;
};

// Where assistive technology is told the focus is once the break window has
// gone. Qt's AT-SPI bridge remembers the last focused object and, when the
// focus next moves, reports that this object lost it: were it a control of
// the freed window, the report would name a deleted object. This object
// stays as long as the application and, hidden and disabled, is passed over
// by screen readers (the application itself would be read out by name).
class NothingFocused final : public QObject {
  Q_OBJECT

 public:
  // Reports the focus on the application's one such object.
  static void TakeFocus();

 private:
  using QObject::QObject;
};

class NothingFocusedAccessible final : public QAccessibleObject {
 public:
  explicit NothingFocusedAccessible(NothingFocused* object);

  QAccessibleInterface* parent() const override;
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text) const override { return {}; }
  QAccessible::Role role() const override { return QAccessible::NoRole; }
  QAccessible::State state() const override;
};

}  // namespace pausalo
