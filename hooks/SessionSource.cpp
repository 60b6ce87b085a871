#include "hooks/SessionSource.h"

#include "hooks/gnome/MutterIdleConnection.h"
#include "hooks/wayland/WaylandIdleConnection.h"

namespace pausalo::hooks {

std::unique_ptr<ActivitySource> StartSessionSource(const EdgeSourceFactory& startEdges,
                                                   const X11SourceFactory& startX11) {
  WaylandDisplay display = ConnectToWaylandSession();
  if (display == nullptr) return startX11();
  std::unique_ptr<EdgeConnection> connection = WaylandIdleConnection::Open(std::move(display));
  if (connection == nullptr) connection = MutterIdleConnection::Open();
  if (connection == nullptr) return nullptr;
  return startEdges(std::move(connection));
}

}  // namespace pausalo::hooks
