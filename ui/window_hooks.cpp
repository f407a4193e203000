#include "ui/window_hooks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <QUrl>
#include <algorithm>

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
  hooks.Ask = [](const std::string& aText, const std::vector<std::string>& aAnswers) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Melquon"), QString::fromStdString(aText),
                    QMessageBox::NoButton, QApplication::activeWindow());
    std::vector<QAbstractButton*> buttons;
    for (const std::string& answer : aAnswers)
      buttons.push_back(box.addButton(QString::fromStdString(answer), QMessageBox::AcceptRole));
    box.setEscapeButton(buttons.empty() ? nullptr : buttons.back());
    box.exec();
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return static_cast<int>(chosen == buttons.end() ? buttons.size() - 1
                                                    : chosen - buttons.begin());
  };
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
