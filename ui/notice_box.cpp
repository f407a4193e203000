#include "ui/notice_box.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "runtime/cp1251.h"
#include "ui/widget_helpers.h"

namespace melquon {

namespace {

// The box may take this share of the screen's height and width at most.
constexpr double kScreenShare = 0.8;
// The whole text's part shows about this many lines before it scrolls.
constexpr int kDetailLines = 16;
constexpr int kSummaryWidth = 480;

}  // namespace

TNoticeSummary SummarizeNotice(std::string_view aText, std::size_t aMaxLines,
                               std::size_t aMaxLineLength) {
  TNoticeSummary summary;
  std::size_t start = 0;
  for (std::size_t line = 0; start <= aText.size(); ++line) {
    if (line == aMaxLines) {
      summary.Cut = true;
      break;
    }
    const std::size_t end = std::min(aText.find_first_of("\r\n", start), aText.size());
    const std::string_view text = aText.substr(start, end - start);
    const std::size_t cut = Utf8PrefixLength(text, aMaxLineLength);
    summary.Text.append(line == 0 ? "" : "\n").append(text.substr(0, cut));
    if (cut < text.size()) {
      summary.Text += "…";
      summary.Cut = true;
    }
    if (end == aText.size()) {
      return summary;
    }
    start = end + (aText.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  summary.Text += "\n…";
  return summary;
}

TNoticeBox::TNoticeBox(const std::string& aText, bool aError, QWidget* aParent) : QDialog(aParent) {
  setWindowTitle(QApplication::applicationDisplayName());
  setModal(true);
  const TNoticeSummary summary = SummarizeNotice(aText);

  auto* layout = MakeOwned<QVBoxLayout>(this);
  auto* top = MakeOwned<QHBoxLayout>();
  layout->addLayout(top);
  if (aError) {
    auto* icon = MakeOwned<QLabel>(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
  }
  summary_ = MakeOwned<QLabel>(QString::fromStdString(summary.Text), this);
  summary_->setObjectName(QStringLiteral("Summary"));
  summary_->setTextFormat(Qt::PlainText);
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_->setMinimumWidth(kSummaryWidth);
  top->addWidget(summary_, 1);

  whole_ = MakeOwned<QPlainTextEdit>(QString::fromStdString(aText), this);
  whole_->setObjectName(QStringLiteral("WholeText"));
  whole_->setReadOnly(true);
  whole_->setLineWrapMode(QPlainTextEdit::NoWrap);
  whole_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  whole_->setFixedHeight(whole_->fontMetrics().lineSpacing() * kDetailLines);
  whole_->setVisible(false);
  layout->addWidget(whole_);

  auto* buttons = MakeOwned<QHBoxLayout>();
  layout->addLayout(buttons);
  details_ = MakeOwned<QPushButton>(QStringLiteral("Подробнее"), this);
  details_->setObjectName(QStringLiteral("Details"));
  details_->setCheckable(true);
  details_->setVisible(summary.Cut);
  buttons->addWidget(details_);
  buttons->addStretch(1);
  ok_ = MakeOwned<QPushButton>(QStringLiteral("OK"), this);
  ok_->setDefault(true);
  buttons->addWidget(ok_);

  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(details_, &QPushButton::toggled, this, [this](bool aOpen) {
    whole_->setVisible(aOpen);
    adjustSize();
    FitToScreen();
  });
  adjustSize();
  FitToScreen();
}

void TNoticeBox::FitToScreen() {
  const QScreen* screen =
      this->screen() != nullptr ? this->screen() : QApplication::primaryScreen();
  if (screen == nullptr) {
    return;
  }
  const QSize room = screen->availableGeometry().size() * kScreenShare;
  setMaximumSize(room);
  resize(size().boundedTo(room));
}

}  // namespace melquon
