#include "ui/window_hooks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <QUrl>
#include <algorithm>

#include "ui/notice_box.h"
#include "ui/widget_helpers.h"

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
  hooks.ImageSize = [](int aWidth, int aHeight) -> std::optional<std::pair<int, int>> {
    QDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QStringLiteral("Размер изображения"));
    auto* width = MakeOwned<QSpinBox>(&dialog);
    auto* height = MakeOwned<QSpinBox>(&dialog);
    for (auto [box, value] : {std::pair(width, aWidth), std::pair(height, aHeight)}) {
      box->setRange(16, 16384);
      box->setValue(value);
    }
    auto* buttons =
        MakeOwned<QDialogButtonBox>(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = MakeOwned<QFormLayout>(&dialog);
    form->addRow(QStringLiteral("Ширина:"), width);
    form->addRow(QStringLiteral("Высота:"), height);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
      return std::nullopt;
    return std::pair(width->value(), height->value());
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
