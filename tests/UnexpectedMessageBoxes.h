#pragma once
// A message box nobody expects would block a test for good: while a guard
// lives, such a box is closed after a while and fails the test with its text.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace pausalo::testing {

class UnexpectedMessageBoxes {
 public:
  UnexpectedMessageBoxes() {
    QObject::connect(&look_, &QTimer::timeout, [] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      ADD_FAILURE() << "unexpected message box: " << box->text().toStdString();
      box->close();
    });
    look_.start(3'000);
  }

 private:
  QTimer look_;
};

}  // namespace pausalo::testing
