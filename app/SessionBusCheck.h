#pragma once

#include <chrono>

namespace pausalo {

// How long the session bus has at start-up to answer a new connection; it
// answers within milliseconds.
inline constexpr std::chrono::seconds SessionBusAnswerTimeout{3};

// Run before the toolkit starts: the toolkit (its accessibility and its
// theme), the single-copy check and the hook libraries all wait on the
// session bus. A bus that takes the connection but does not answer within
// SessionBusAnswerTimeout is left out, and the process runs as without a
// session bus; a bus that cannot be reached at all is left as it is, for
// everyone finds that out at once.
void LeaveSessionBusThatDoesNotAnswer();

}  // namespace pausalo
