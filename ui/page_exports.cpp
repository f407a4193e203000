#include "ui/page_exports.h"

#include <QBuffer>
#include <QMenu>
#include <QPainter>
#include <QSvgGenerator>
#include <QToolButton>
#include <algorithm>
#include <optional>
#include <utility>

#include "runtime/text_file.h"
#include "ui/widget_helpers.h"
#include "ui/window_hooks.h"

namespace melquon {

namespace {

std::optional<std::pair<int, int>> AskImageSize(const QWidget& aShown) {
  if (!UiHooks().ImageSize)
    return std::pair(aShown.width(), aShown.height());
  return UiHooks().ImageSize(aShown.width(), aShown.height());
}

std::string PictureBytes(const TPaintPicture& aPaint, int aWidth, int aHeight, bool aSvg) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (aSvg) {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    // Sizes are written in millimetres: at the 96 dots an inch of CSS pixels, a browser shows
    // the picture at the size asked.
    svg.setResolution(96);
    svg.setSize(QSize(aWidth, aHeight));
    svg.setViewBox(QRect(0, 0, aWidth, aHeight));
    QPainter painter(&svg);
    painter.setRenderHint(QPainter::Antialiasing);
    aPaint(painter, aWidth, aHeight);
  } else {
    PictureImage(aPaint, aWidth, aHeight).save(&buffer, "PNG");
  }
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

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

TPaintPicture WidgetPicture(QWidget& aWidget) {
  return [&aWidget](QPainter& aPainter, int aWidth, int aHeight) {
    aPainter.scale(static_cast<double>(aWidth) / std::max(aWidget.width(), 1),
                   static_cast<double>(aHeight) / std::max(aWidget.height(), 1));
    aWidget.render(&aPainter, QPoint(), QRegion(), QWidget::DrawChildren);
  };
}

QImage PictureImage(const TPaintPicture& aPaint, int aWidth, int aHeight) {
  QImage image(aWidth, aHeight, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  aPaint(painter, aWidth, aHeight);
  return image;
}

void SaveExport(const std::string& aSuggested, const std::string& aBytes) {
  if (!UiHooks().SaveFileName) {
    return;
  }
  const std::string fileName = UiHooks().SaveFileName(aSuggested);
  if (!fileName.empty()) {
    ReplaceFileContents(fileName, aBytes);
  }
}

void SavePicture(const QWidget& aShown, const TPaintPicture& aPaint,
                 const std::function<std::string(const std::string& aExtension)>& aName,
                 bool aSvg) {
  if (const auto size = AskImageSize(aShown)) {
    SaveExport(aName(aSvg ? "svg" : "png"), PictureBytes(aPaint, size->first, size->second, aSvg));
  }
}

}  // namespace melquon
