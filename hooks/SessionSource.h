#pragma once

#include <functional>
#include <memory>

#include "hooks/ActivitySource.h"
#include "hooks/EdgeSource.h"

namespace pausalo::hooks {

using EdgeSourceFactory = std::function<std::unique_ptr<ActivitySource>(std::unique_ptr<EdgeConnection>)>;
using X11SourceFactory = std::function<std::unique_ptr<ActivitySource>()>;

// The activity source of the session a hook library starts in. On a Wayland
// session (a compositor answers at WAYLAND_DISPLAY) only the compositor can
// tell: its idle protocols, else GNOME's idle monitor on the session bus,
// handed to startEdges; X11 there would see the X11 windows alone. On any
// other session, startX11. Null when the session offers no source.
std::unique_ptr<ActivitySource> StartSessionSource(const EdgeSourceFactory& startEdges,
                                                   const X11SourceFactory& startX11);

}  // namespace pausalo::hooks
