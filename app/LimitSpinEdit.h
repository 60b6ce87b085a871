#pragma once

#include <cstdint>

#include "widgets/FlatSpinEditInteger.h"

namespace pausalo {

// A limit field of the Setup page. While the user edits it, its text may
// stand half-typed (empty, a number still growing); the break logic works
// with the committed value instead: the value the field held when editing
// last finished, by Enter, by leaving the field, by an arrow step, or when
// the text was set other than by typing (a profile, assistive technology).
// Finishing an edit brings a number out of range to the nearer limit, and
// puts the committed value back in place of a text that is no number
// (empty, letters, too long for a 32-bit number).
class TLimitSpinEdit final : public TFlatSpinEditInteger {
  Q_OBJECT

 public:
  using TFlatSpinEditInteger::TFlatSpinEditInteger;

  std::int32_t CommittedValue() const { return committed_; }
  // Shows the value, clamped, and commits it, also when the text already
  // reads so but was typed.
  void CommitValue(std::int32_t value);

  void StepUp() override;
  void StepDown() override;

 protected:
  void DoChange() override;
  void DoKeyDown(int& key, Qt::KeyboardModifiers shift) override;
  void DoExit() override;

 private:
  void FinishEditing();

  std::int32_t committed_ = 0;
};

}  // namespace pausalo
