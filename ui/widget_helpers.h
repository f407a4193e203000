#pragma once

#include <QObject>
#include <functional>
#include <utility>

class QAbstractButton;
class QAction;
class QEvent;
class QWidget;

namespace melquon {

// Creates a Qt object whose parent, passed among the arguments, owns and deletes it.
template <class Object, class... Args>
Object* MakeOwned(Args&&... aArgs) {
  return new Object(std::forward<Args>(aArgs)...);
}

// Creates a control owned by aParent, with its object name.
template <class Control, class Parent>
Control* MakeChild(Parent* aParent, const char* aObjectName) {
  auto* control = MakeOwned<Control>(aParent);
  control->setObjectName(QString::fromLatin1(aObjectName));
  return control;
}

// Makes a push button the face of an action: the button shows the action's caption and enabled
// state and executes the action when clicked.
void BindButtonToAction(QAbstractButton* aButton, QAction* aAction);

// Mouse entering, leaving and left-clicking a widget, as three callbacks.
class TMouseEvents : public QObject {
 public:
  TMouseEvents(QWidget* aWidget, std::function<void()> aEnter, std::function<void()> aLeave,
               std::function<void()> aClick);

 protected:
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

 private:
  std::function<void()> enter_;
  std::function<void()> leave_;
  std::function<void()> click_;
};

}  // namespace melquon
