#include "widgets/ChoiceButton.h"

#include <QAccessibleWidget>
#include <QRegularExpression>

#include "widgets/AccessibleFactory.h"

namespace pausalo {

namespace {

class ChoiceButtonAccessible final : public QAccessibleWidget {
 public:
  explicit ChoiceButtonAccessible(ChoiceButton* button) : QAccessibleWidget(button, QAccessible::RadioButton) {}

  QString text(QAccessible::Text kind) const override {
    const QString text = QAccessibleWidget::text(kind);
    if (kind != QAccessible::Name || !text.isEmpty()) return text;
    // The caption without its accelerator marks ("&&" is a plain "&").
    static const QRegularExpression mark("&(.)");
    return Button()->text().replace(mark, "\\1");
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = Button()->isChecked();
    return state;
  }
  QStringList actionNames() const override { return QStringList{toggleAction()} + QAccessibleWidget::actionNames(); }
  void doAction(const QString& action) override {
    if (action == toggleAction()) {
      Button()->click();
    } else {
      QAccessibleWidget::doAction(action);
    }
  }

 private:
  ChoiceButton* Button() const { return static_cast<ChoiceButton*>(widget()); }
};

QAccessibleInterface* CreateChoiceButtonAccessible(ChoiceButton* button) { return new ChoiceButtonAccessible(button); }

}  // namespace

ChoiceButton::ChoiceButton(QWidget* parent) : QPushButton(parent) {
  InstallAccessibleFactory<ChoiceButton, &CreateChoiceButtonAccessible>();
  setCheckable(true);
}

}  // namespace pausalo
