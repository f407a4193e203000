#include "ui/error_reporting.h"

#include <new>

#include "log/write_log.h"
#include "runtime/errors.h"
#include "ui/window_hooks.h"

namespace melquon {

void ReportUnexpectedError(const std::string& aMessage) {
  // Before the engine has named the log file there is no log to write to, and trying would
  // only add the log routine's own failure boxes.
  if (!LogFileName.empty()) {
    WriteLog("", aMessage, 1, false, true);
  }
  if (UiHooks().ErrorBox) {
    UiHooks().ErrorBox(aMessage);
  }
}

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return kOutOfMemoryText;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* aReceiver, QEvent* aEvent) {
  try {
    return QApplication::notify(aReceiver, aEvent);
  } catch (...) {
    ReportUnexpectedError(CurrentExceptionMessage());
  }
  return false;
}

}  // namespace melquon
