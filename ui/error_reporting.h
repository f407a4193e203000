#pragma once

#include <QApplication>
#include <exception>
#include <string>

namespace melquon {

// An error that no handler caught: written to the log at level 1 and shown in a modal box;
// the program then goes on.
void ReportUnexpectedError(const std::string& aMessage);

// The message of the exception being handled; call only inside a catch block.
std::string CurrentExceptionMessage();

// Runs aHandler; whatever it throws is reported and goes no further.
template <class Handler>
void RunGuarded(Handler&& aHandler) noexcept {
  try {
    aHandler();
  } catch (...) {
    ReportUnexpectedError(CurrentExceptionMessage());
  }
}

// The application object: an exception that escapes an event handler is reported instead of
// ending the program.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* aReceiver, QEvent* aEvent) override;
};

}  // namespace melquon
