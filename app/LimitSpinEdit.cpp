#include "app/LimitSpinEdit.h"

#include "widgets/IntegerText.h"

namespace pausalo {

void TLimitSpinEdit::CommitValue(std::int32_t value) {
  SetValue(value);
  committed_ = ClampValue(value);
}

void TLimitSpinEdit::StepUp() {
  TFlatSpinEditInteger::StepUp();
  FinishEditing();
}

void TLimitSpinEdit::StepDown() {
  TFlatSpinEditInteger::StepDown();
  FinishEditing();
}

// A text set rather than typed (the edit's undo history starts afresh with
// it) is finished at once.
void TLimitSpinEdit::DoChange() {
  if (!isModified()) FinishEditing();
  TFlatSpinEditInteger::DoChange();
}

void TLimitSpinEdit::DoKeyDown(int& key, Qt::KeyboardModifiers shift) {
  if (key == Qt::Key_Return || key == Qt::Key_Enter) FinishEditing();
  TFlatSpinEditInteger::DoKeyDown(key, shift);
}

// The field is tidied before its OnExit is raised, so that whoever hears of
// the exit finds the value that counts.
void TLimitSpinEdit::DoExit() {
  FinishEditing();
  TFlatSpinEditInteger::DoExit();
}

void TLimitSpinEdit::FinishEditing() {
  if (const auto typed = ParseInt32(text().toStdString())) committed_ = ClampValue(*typed);
  if (text() != QString::number(committed_)) SetValue(committed_);
}

}  // namespace pausalo
