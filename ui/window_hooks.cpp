#include "ui/window_hooks.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QString>
#include <QUrl>

#include "ui/notice_box.h"

namespace melquon {

namespace {

void ShowModalBox(bool aError, const std::string& aText) {
  TNoticeBox box(aText, aError, QApplication::activeWindow());
  box.exec();
}

}  // namespace

TUiHooks DefaultUiHooks() {
  TUiHooks hooks;
  hooks.Beep = [] { QApplication::beep(); };
  hooks.MessageBox = [](const std::string& aText) { ShowModalBox(false, aText); };
  hooks.ErrorBox = [](const std::string& aText) { ShowModalBox(true, aText); };
  hooks.OpenUrl = [](const QUrl& aUrl) { return QDesktopServices::openUrl(aUrl); };
  hooks.SaveFileName = [](const std::string& aSuggested) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(),
                                        QString::fromStdString(aSuggested),
                                        QStringLiteral("CSV (*.csv)"))
        .toStdString();
  };
  return hooks;
}

TUiHooks& UiHooks() {
  static TUiHooks hooks = DefaultUiHooks();
  return hooks;
}

}  // namespace melquon
