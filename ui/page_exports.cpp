#include "ui/page_exports.h"

#include <QMenu>
#include <QToolButton>

#include "ui/widget_helpers.h"

namespace melquon {

TPageExports MakePageExports(QWidget* aParent, const char* aName) {
  TPageExports exports;
  exports.Button = MakeChild<QToolButton>(aParent, aName);
  exports.Button->setText(QStringLiteral("Экспорт…"));
  exports.Button->setPopupMode(QToolButton::InstantPopup);
  auto* menu = MakeOwned<QMenu>(exports.Button);
  exports.Png = menu->addAction(QStringLiteral("Сохранить PNG…"));
  exports.Svg = menu->addAction(QStringLiteral("Сохранить SVG…"));
  exports.Csv = menu->addAction(QStringLiteral("Сохранить CSV…"));
  exports.Button->setMenu(menu);
  return exports;
}

}  // namespace melquon
