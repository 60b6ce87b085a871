#include "hooks/EdgeSource.h"

#include <cerrno>

namespace pausalo::hooks {

std::unique_ptr<EdgeSource> EdgeSource::Start(std::unique_ptr<EdgeConnection> connection,
                                              std::function<void()> notify) {
  auto stop = std::make_unique<StopSignal>();
  if (!stop->Valid()) return nullptr;
  return std::unique_ptr<EdgeSource>(new EdgeSource(std::move(connection), std::move(stop), std::move(notify)));
}

EdgeSource::EdgeSource(std::unique_ptr<EdgeConnection> connection, std::unique_ptr<StopSignal> stop,
                       std::function<void()> notify)
    : connection_(std::move(connection)),
      stop_(std::move(stop)),
      notify_(std::move(notify)),
      activity_(EdgeActivity::Clock::now()) {
  connection_->Attach(*this);
  thread_ = std::thread([this] { Run(); });
}

EdgeSource::~EdgeSource() {
  stop_->Raise();
  thread_.join();
}

void EdgeSource::Run() {
  Listen();
  running_.store(false);
}

void EdgeSource::Listen() {
  for (;;) {
    pollfd waits[] = {connection_->Prepare(), {stop_->Fd(), POLLIN, 0}};
    if (waits[0].fd < 0) return;
    const int ready = poll(waits, 2, Timeout());
    if (ready < 0 && errno != EINTR) return;
    if (waits[1].revents != 0) return;
    if (!connection_->Finish(ready > 0 ? waits[0].revents : 0)) return;
    if (activity_.Due(EdgeActivity::Clock::now()) && connection_->ConfirmActive()) notify_();
  }
}

int EdgeSource::Timeout() const {
  const auto due = activity_.NextDue();
  if (!due) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - EdgeActivity::Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void EdgeSource::Resumed() {
  if (activity_.Resumed(EdgeActivity::Clock::now())) notify_();
}

}  // namespace pausalo::hooks
