#pragma once

#include <set>
#include <vector>

#include "platform/NotificationArea.h"

namespace pausalo::testing {

// Answers as a desktop's notification area does and records every call.
class RecordingNotificationArea final : public NotificationArea {
 public:
  struct Call {
    TNotifyAction action;
    TNotifyIconData data;
  };
  bool available = true;
  std::vector<Call> calls;
  std::set<std::uint32_t> shownIcons;  // by window handle

  bool Available() const override { return available; }
  bool Notify(TNotifyAction action, const TNotifyIconData& data) override {
    calls.push_back({action, data});
    switch (action) {
      case NIM_ADD: return available && shownIcons.insert(data.Wnd).second;
      case NIM_MODIFY: return shownIcons.contains(data.Wnd);
      case NIM_DELETE: return shownIcons.erase(data.Wnd) > 0;
    }
    return false;
  }
  std::vector<TNotifyAction> Actions() const {
    std::vector<TNotifyAction> actions;
    for (const auto& call : calls) actions.push_back(call.action);
    return actions;
  }
};

}  // namespace pausalo::testing
