#pragma once

#include <QObject>
#include <cstdint>

#include "widgets/FlatEdit.h"
#include "widgets/SpinButton.h"

namespace pausalo {

// A flat one-line field for a whole number with a pair of repeating arrow
// buttons inside its right edge. Value is the text, read on every access
// (an unparsable text reads as MinValue; reading never clamps) and written
// through ClampValue. Leaving the field brings a number outside the limits
// to the nearer limit.
//
// A stored layout sets the properties in this order, then calls Loaded():
// ColorFocused, ColorBorder, ColorFlat, AdvColorFocused, AdvColorBorder,
// UseAdvColors, AutoSelect, EditorEnabled, Enabled, Font (with FontColor),
// Increment, MaxValue, MinValue, ParentColor, ReadOnly, Value. The limits
// come before Value, so a stored Value is clamped against them.
class TFlatSpinEditInteger : public TCustomFlatEdit {
  Q_OBJECT
  Q_PROPERTY(qint32 MinValue READ MinValue WRITE SetMinValue)
  Q_PROPERTY(qint32 MaxValue READ MaxValue WRITE SetMaxValue)
  Q_PROPERTY(qint32 Increment READ Increment WRITE SetIncrement)
  Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE SetEditorEnabled)
  Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
  Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
  Q_PROPERTY(qint32 Value READ Value WRITE SetValue)

 public:
  static constexpr int SpinButtonWidth = 22;

  explicit TFlatSpinEditInteger(QWidget* parent = nullptr);

  std::int32_t MinValue() const { return minValue_; }
  void SetMinValue(std::int32_t value) { minValue_ = value; }
  // Equal limits mean that no limits apply.
  std::int32_t MaxValue() const { return maxValue_; }
  void SetMaxValue(std::int32_t value) { maxValue_ = value; }
  std::int32_t Increment() const { return increment_; }
  void SetIncrement(std::int32_t increment) { increment_ = increment; }
  // Typing and clipboard cut and paste are allowed.
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool enabled) { editorEnabled_ = enabled; }
  // Select the whole text when the focus arrives other than by a left click.
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool autoSelect) { autoSelect_ = autoSelect; }
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool readOnly) { setReadOnly(readOnly); }

  std::int32_t Value() const;
  void SetValue(std::int32_t value);
  std::int32_t ClampValue(std::int32_t value) const;

  // Whether a typed character may enter the text.
  virtual bool AcceptsChar(QChar key) const;
  // One step up or down, saturating at the ends of the 32-bit range; a beep
  // while read-only.
  virtual void StepUp();
  virtual void StepDown();

  TSpinButton* SpinButton() const { return spinButton_; }
  void Loaded() override;

  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;

 protected:
  // The system's default beep.
  virtual void Beep();
  virtual void DoKeyDown(int& key, Qt::KeyboardModifiers shift);
  virtual void DoKeyPress(QChar& key);
  void DoChange() override;
  void DoEnter() override;
  void DoExit() override;

  int MinimumHeight() const;
  void PlaceSpinButton();
  void UpdateEditRect();

  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  bool ClipboardEditsAllowed() const { return editorEnabled_ && !isReadOnly(); }
  // Whether the key types a character; Delete and keys without text do not.
  static bool TypesCharacter(const QKeyEvent& event);
  bool AcceptsText(const QString& text) const;
  void Step(std::int64_t delta);

  std::int32_t minValue_ = 0;
  std::int32_t maxValue_ = 0;
  std::int32_t increment_ = 1;
  TSpinButton* spinButton_ = nullptr;
  bool editorEnabled_ = true;
  bool autoSelect_ = true;
  bool enteredByLeftClick_ = false;
};

}  // namespace pausalo
