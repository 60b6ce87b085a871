#include "hooks/EdgeSource.h"

namespace pausalo::hooks {

std::unique_ptr<EdgeSource> EdgeSource::Start(std::unique_ptr<EdgeConnection> connection,
                                              std::function<void()> notify) {
  std::unique_ptr<EdgeSource> source(new EdgeSource(std::move(connection), std::move(notify)));
  source->thread_ = ListenerThread::Start(
      [self = source.get()](const ListenerThread& thread) { self->Listen(thread); });
  if (source->thread_ == nullptr) return nullptr;
  return source;
}

EdgeSource::EdgeSource(std::unique_ptr<EdgeConnection> connection, std::function<void()> notify)
    : connection_(std::move(connection)), notify_(std::move(notify)), activity_(EdgeActivity::Clock::now()) {
  connection_->Attach(*this);
}

void EdgeSource::Listen(const ListenerThread& thread) {
  for (;;) {
    const pollfd watched = connection_->Prepare();
    if (watched.fd < 0) return;
    const int due = Timeout(), work = connection_->WakeUpMs();
    const std::optional<short> found = thread.Wait(watched, due < 0 || (work >= 0 && work < due) ? work : due);
    if (!found || !connection_->Finish(*found)) return;
    if (activity_.Due(EdgeActivity::Clock::now()) && connection_->ConfirmActive()) notify_();
  }
}

int EdgeSource::Timeout() const {
  const auto due = activity_.NextDue();
  if (!due) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - EdgeActivity::Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void EdgeSource::Confirmed() {
  if (activity_.NextDue()) notify_();
}

void EdgeSource::Resumed() {
  if (activity_.Resumed(EdgeActivity::Clock::now())) notify_();
}

}  // namespace pausalo::hooks
