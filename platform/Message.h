#pragma once

#include <cstdint>

namespace pausalo {

// A window message as a window procedure sees it.
struct TMessage {
  std::uint32_t Msg;
  std::int32_t WParam;
  std::int32_t LParam;
  std::int32_t Result;
};

}  // namespace pausalo
