#pragma once

#include <QObject>
#include <functional>

namespace pausalo {

// One running copy per desktop session. The first start owns the program's
// name on the session bus (org.pausalo.Pausalo, its desktop id); a later
// start asks the owner to come forward and then ends. Without a session bus
// every start runs on its own, and so does one whose name another program
// (an executable of another name) holds.
class SingleInstance final : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.pausalo.Pausalo")

 public:
  enum class Start {
    // This copy now owns the name, or there is no session bus, or another
    // program holds the name: it runs.
    Run,
    // The running copy was asked to come forward and did: this one ends.
    Forwarded,
    // The running copy did not answer in time (stopped, or hung): this one
    // ends too, and tells the user through TellRunningCopyDoesNotAnswer.
    Unanswered,
  };

  SingleInstance() = default;
  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  Start ForwardToRunningCopy();
  // A message box and the same text on standard error: Pausalo is running
  // but does not answer, the running copy's process id and how to end it.
  void TellRunningCopyDoesNotAnswer() const;

  // Run when a later start asks this copy to come forward.
  std::function<void()> OnActivate;

 public slots:
  Q_SCRIPTABLE void Activate();

 private:
  bool owner_ = false;
  uint runningCopy_ = 0;  // its process id; 0 when the bus does not tell
};

}  // namespace pausalo
