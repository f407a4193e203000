#pragma once

#include <QDialog>
#include <chrono>
#include <memory>
#include <mutex>

#include "engine/calculation.h"

class QLabel;
class QPushButton;

namespace melquon {

// Where a run going on in a worker thread is, as its progress callback last told it; read by
// the window's thread.
class TSharedProgress {
 public:
  void Set(const TRunProgress& aProgress);
  TRunProgress Get() const;

 private:
  mutable std::mutex mutex_;
  TRunProgress progress_;
};

// The modal window shown while a run goes on: day n of N with its date, the lines read and the
// lines per second, and «Прервать», which asks the run to stop.
class TRunProgressWindow : public QDialog {
 public:
  TRunProgressWindow(QWidget* aParent, TCancelToken& aCancel);

  void Show(const TRunProgress& aProgress, std::chrono::steady_clock::duration aElapsed);
  QLabel* DayLabel() const { return day_; }
  QLabel* LinesLabel() const { return lines_; }
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  // Closing the window asks the run to stop, as «Прервать» does.
  void reject() override;

 private:
  TCancelToken& token_;
  QLabel* day_ = nullptr;
  QLabel* lines_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// Runs aRun in a worker thread while the window's thread keeps drawing; from 0.3 s on a modal
// progress window shows how far it is. Returns the result or throws what the run threw
// (ERunCancelled when the user stopped it).
std::unique_ptr<TVolatilityRes> RunWithProgress(QWidget* aParent, TCalculation& aRun);

}  // namespace melquon
