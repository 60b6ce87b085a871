#include "widgets/Accelerator.h"

#include <QShortcutEvent>
#include <QWidget>

#include "platform/TextOutput.h"

namespace pausalo {

void TAccelerator::SetText(const QString& text) {
  const QChar character = AcceleratorChar(text);
  const QKeySequence key = character.isNull()
                               ? QKeySequence()
                               : QKeySequence(QKeyCombination(Qt::AltModifier, Qt::Key(character.toUpper().unicode())));
  if (key == key_) return;
  if (id_ != 0) owner_.releaseShortcut(id_);
  id_ = key.isEmpty() ? 0 : owner_.grabShortcut(key);
  key_ = key;
}

void TAccelerator::SetEnabled(bool enabled) {
  if (id_ != 0) owner_.setShortcutEnabled(id_, enabled);
}

bool TAccelerator::IsPressed(const QEvent& event) const {
  return id_ != 0 && event.type() == QEvent::Shortcut && static_cast<const QShortcutEvent&>(event).shortcutId() == id_;
}

}  // namespace pausalo
