#include "ui/run_progress.h"

#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>
#include <thread>

#include "runtime/formats.h"
#include "runtime/number_text.h"
#include "ui/widget_helpers.h"

namespace melquon {

namespace {

// A run this short is over before a window would be worth showing.
constexpr int kShowAfterMs = 300;
constexpr int kRefreshEveryMs = 100;

}  // namespace

void TSharedProgress::Set(const TRunProgress& aProgress) {
  const std::lock_guard lock(mutex_);
  progress_ = aProgress;
}

TRunProgress TSharedProgress::Get() const {
  const std::lock_guard lock(mutex_);
  return progress_;
}

TRunProgressWindow::TRunProgressWindow(QWidget* aParent, TCancelToken& aCancel)
    : QDialog(aParent), token_(aCancel) {
  setObjectName(QStringLiteral("RunProgress"));
  setWindowTitle(QStringLiteral("Расчёт"));
  setModal(true);
  auto* layout = MakeOwned<QVBoxLayout>(this);
  day_ = MakeChild<QLabel>(this, "Day");
  lines_ = MakeChild<QLabel>(this, "Lines");
  cancel_ = MakeChild<QPushButton>(this, "Cancel");
  cancel_->setText(QStringLiteral("Прервать"));
  layout->addWidget(day_);
  layout->addWidget(lines_);
  layout->addWidget(cancel_, 0, Qt::AlignRight);
  setMinimumWidth(360);
  connect(cancel_, &QPushButton::clicked, this, [this] {
    token_.Cancel();
    cancel_->setEnabled(false);
  });
}

void TRunProgressWindow::Show(const TRunProgress& aProgress,
                              std::chrono::steady_clock::duration aElapsed) {
  if (aProgress.DaysCount > 0) {
    day_->setText(QStringLiteral("День %1 из %2: %3")
                      .arg(QString::fromStdString(IntToStr(aProgress.DayIndex + 1)),
                           QString::fromStdString(IntToStr(aProgress.DaysCount)),
                           QString::fromStdString(DateToStr(aProgress.Date))));
  }
  const double seconds = std::chrono::duration<double>(aElapsed).count();
  const auto perSecond =
      seconds > 0.0 ? static_cast<std::int64_t>(static_cast<double>(aProgress.LinesRead) / seconds)
                    : 0;
  lines_->setText(
      QStringLiteral("Строк прочитано: %1; строк в секунду: %2")
          .arg(QString::fromStdString(IntToStr(static_cast<std::int64_t>(aProgress.LinesRead))),
               QString::fromStdString(IntToStr(perSecond))));
}

void TRunProgressWindow::reject() {
  token_.Cancel();
  cancel_->setEnabled(false);
}

std::unique_ptr<TVolatilityRes> RunWithProgress(QWidget* aParent, TCalculation& aRun) {
  TCancelToken cancel;
  TSharedProgress progress;
  std::unique_ptr<TVolatilityRes> result;
  std::exception_ptr failure;
  QEventLoop loop;
  const auto started = std::chrono::steady_clock::now();
  std::thread worker([&] {
    try {
      result = aRun.Run([&progress](const TRunProgress& aDay) { progress.Set(aDay); }, &cancel);
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(
        &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
  });

  TRunProgressWindow window(aParent, cancel);
  QTimer show;
  show.setSingleShot(true);
  QObject::connect(&show, &QTimer::timeout, &window, [&] {
    window.Show(progress.Get(), std::chrono::steady_clock::now() - started);
    window.show();
  });
  QTimer refresh;
  QObject::connect(&refresh, &QTimer::timeout, &window, [&] {
    window.Show(progress.Get(), std::chrono::steady_clock::now() - started);
  });
  show.start(kShowAfterMs);
  refresh.start(kRefreshEveryMs);
  loop.exec();
  worker.join();
  if (failure) {
    std::rethrow_exception(failure);
  }
  return result;
}

}  // namespace melquon
