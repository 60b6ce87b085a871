#pragma once
// What tests read of the widgets' inner state, beyond their interfaces.

#include "widgets/FlatEdit.h"
#include "widgets/FlatSpeedButton.h"
#include "widgets/SecretPanel.h"
#include "widgets/SpinButton.h"

namespace pausalo {

class FlatEditTestAccess {
 public:
  // The mouse is over the edit or one of its children.
  static bool Hovered(const TCustomFlatEdit& edit) { return edit.hovered_; }
};

class FlatSpeedButtonTestAccess {
 public:
  static bool Hot(const TFlatSpeedButton& button) { return button.hot_; }
};

class SpinButtonTestAccess {
 public:
  static TTimerSpeedButton* UpButton(const TSpinButton& spin) { return spin.upButton_; }
  static TTimerSpeedButton* DownButton(const TSpinButton& spin) { return spin.downButton_; }
  // The arrow that Space clicks.
  static TTimerSpeedButton* FocusedButton(const TSpinButton& spin) { return spin.focusedButton_; }
  // Made on the arrow's first press.
  static TIntervalTimer* RepeatTimer(const TTimerSpeedButton& arrow) { return arrow.repeatTimer_.get(); }
};

class SecretPanelTestAccess {
 public:
  // The state of the scrolling, as the last rebuild left it.
  static int ScrollPosition(const TSecretPanel& panel) { return panel.ScrollPosition(); }
  static int ScrollExtent(const TSecretPanel& panel) { return panel.ScrollExtent(); }
  static int FirstTextLine(const TSecretPanel& panel) { return panel.FirstTextLine(); }
  static QRect TextArea(const TSecretPanel& panel) { return panel.TextArea(); }
  static QRect InnerArea(const TSecretPanel& panel) { return panel.InnerArea(); }
  static QPoint GlyphPosition(const TSecretPanel& panel) { return panel.GlyphPosition(); }
  // The text image exists from activation to deactivation.
  static bool HasTextImage(const TSecretPanel& panel) { return panel.HasTextImage(); }
  static QSize TextImageSize(const TSecretPanel& panel) { return panel.TextImageSize(); }
  static const TThreadedTimer& Timer(const TSecretPanel& panel) { return panel.timer_; }
};

}  // namespace pausalo
