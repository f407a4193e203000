#include "ui/gui_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace melquon {

void RunInGuiThread(const std::function<void()>& aWork) {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr || QThread::currentThread() == application->thread()) {
    aWork();
    return;
  }
  QMetaObject::invokeMethod(application, aWork, Qt::BlockingQueuedConnection);
}

}  // namespace melquon
