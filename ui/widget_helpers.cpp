#include "ui/widget_helpers.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace melquon {

void BindButtonToAction(QAbstractButton* aButton, QAction* aAction) {
  const auto update = [aButton, aAction] {
    aButton->setText(aAction->text());
    aButton->setEnabled(aAction->isEnabled());
  };
  update();
  QObject::connect(aAction, &QAction::changed, aButton, update);
  QObject::connect(aButton, &QAbstractButton::clicked, aAction, [aAction] { aAction->trigger(); });
}

TMouseEvents::TMouseEvents(QWidget* aWidget, std::function<void()> aEnter,
                           std::function<void()> aLeave, std::function<void()> aClick)
    : QObject(aWidget),
      enter_(std::move(aEnter)),
      leave_(std::move(aLeave)),
      click_(std::move(aClick)) {
  aWidget->installEventFilter(this);
}

bool TMouseEvents::eventFilter(QObject* aWatched, QEvent* aEvent) {
  switch (aEvent->type()) {
    case QEvent::Enter:
      enter_();
      break;
    case QEvent::Leave:
      leave_();
      break;
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(aEvent)->button() == Qt::LeftButton) {
        click_();
      }
      break;
    default:
      break;
  }
  return QObject::eventFilter(aWatched, aEvent);
}

}  // namespace melquon
