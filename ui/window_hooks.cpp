#include "ui/window_hooks.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QString>
#include <QUrl>

namespace melquon {

namespace {

void ShowModalBox(QMessageBox::Icon aIcon, const std::string& aText) {
  QMessageBox box(aIcon, QApplication::applicationDisplayName(), QString::fromStdString(aText),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

}  // namespace

TUiHooks DefaultUiHooks() {
  TUiHooks hooks;
  hooks.Beep = [] { QApplication::beep(); };
  hooks.MessageBox = [](const std::string& aText) { ShowModalBox(QMessageBox::NoIcon, aText); };
  hooks.ErrorBox = [](const std::string& aText) { ShowModalBox(QMessageBox::Critical, aText); };
  hooks.OpenUrl = [](const QUrl& aUrl) { return QDesktopServices::openUrl(aUrl); };
  return hooks;
}

TUiHooks& UiHooks() {
  static TUiHooks hooks = DefaultUiHooks();
  return hooks;
}

}  // namespace melquon
