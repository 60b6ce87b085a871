#pragma once

namespace pausalo::hooks {

// A running source of desktop activity that notifies a hook's window from a
// thread of its own. Destroying it stops the thread; no notification is
// posted once the destructor has returned.
class ActivitySource {
 public:
  virtual ~ActivitySource() = default;
  // False once the source has ended (its connection was lost).
  virtual bool Running() const = 0;
};

}  // namespace pausalo::hooks
