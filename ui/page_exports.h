#pragma once

class QAction;
class QToolButton;
class QWidget;

namespace melquon {

// A page's «Экспорт…» button and the three exports of its menu: PNG, SVG and CSV.
struct TPageExports {
  QToolButton* Button = nullptr;
  QAction* Png = nullptr;
  QAction* Svg = nullptr;
  QAction* Csv = nullptr;
};

TPageExports MakePageExports(QWidget* aParent, const char* aName);

}  // namespace melquon
