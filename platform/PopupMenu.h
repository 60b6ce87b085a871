#pragma once

#include <QMenu>

namespace pausalo {

// A context menu that a component can pop up for itself.
class TPopupMenu : public QMenu {
  Q_OBJECT

 public:
  using QMenu::QMenu;

  // Whether the component may pop the menu up on a right click.
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool autoPopup) { autoPopup_ = autoPopup; }
  // The component that popped the menu up last.
  QObject* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(QObject* component) { popupComponent_ = component; }

 private:
  bool autoPopup_ = true;
  QObject* popupComponent_ = nullptr;
};

}  // namespace pausalo
