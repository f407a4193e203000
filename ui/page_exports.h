#pragma once

#include <QImage>
#include <functional>
#include <string>

class QAction;
class QPainter;
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

// Paints a picture scaled to aWidth x aHeight.
using TPaintPicture = std::function<void(QPainter& aPainter, int aWidth, int aHeight)>;

// A widget as drawn now.
TPaintPicture WidgetPicture(QWidget& aWidget);
// The picture on white.
QImage PictureImage(const TPaintPicture& aPaint, int aWidth, int aHeight);

// Asks for a file, offering aSuggested, and writes aBytes to it whole or not at all.
void SaveExport(const std::string& aSuggested, const std::string& aBytes);
// Asks for the size (aShown's own offered) and the file, offering aName of the extension, and
// writes the picture there as PNG or SVG.
void SavePicture(const QWidget& aShown, const TPaintPicture& aPaint,
                 const std::function<std::string(const std::string& aExtension)>& aName, bool aSvg);

}  // namespace melquon
