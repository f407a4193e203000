#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <string_view>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace melquon {

// The start of a long notice: its first lines, each cut to a readable length, and "…" where
// anything was left out.
struct TNoticeSummary {
  std::string Text;
  bool Cut = false;
};
TNoticeSummary SummarizeNotice(std::string_view aText, std::size_t aMaxLines = 8,
                               std::size_t aMaxLineLength = 160);

// A modal notice with one OK button whose size is bounded whatever its text: a long text (the
// report in a failed write's notice) shows its first lines, and the whole of it scrolls in a
// «Подробнее» part that opens on request. Never taller than the screen.
class TNoticeBox : public QDialog {
 public:
  TNoticeBox(const std::string& aText, bool aError, QWidget* aParent = nullptr);

  QLabel* Summary() const { return summary_; }
  QPushButton* DetailsButton() const { return details_; }
  QPlainTextEdit* WholeText() const { return whole_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  void FitToScreen();

  QLabel* summary_ = nullptr;
  QPushButton* details_ = nullptr;
  QPlainTextEdit* whole_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace melquon
