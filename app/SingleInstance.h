#pragma once

#include <QObject>
#include <functional>

namespace pausalo {

// One running copy per desktop session. The first start owns the program's
// name on the session bus (org.pausalo.Pausalo, its desktop id); a later start asks the owner to come forward
// and then ends. Without a session bus every start runs on its own.
class SingleInstance final : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.pausalo.Pausalo")

 public:
  SingleInstance() = default;
  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when another copy owns the name and has been asked to come
  // forward: this one should end. False when this copy now owns the name,
  // or when there is no session bus or no answer from the owner.
  bool ForwardToRunningCopy();

  // Run when a later start asks this copy to come forward.
  std::function<void()> OnActivate;

 public slots:
  Q_SCRIPTABLE void Activate();

 private:
  bool owner_ = false;
};

}  // namespace pausalo
