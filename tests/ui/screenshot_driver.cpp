// Opens the window on the settings file beside this executable, runs one calculation with the
// main page's values and saves a picture of every page. Used by scripts/screenshots.sh.
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QToolButton>
#include <iostream>

#include "log/write_log.h"
#include "runtime/formats.h"
#include "ui/error_reporting.h"
#include "ui/main_form.h"
#include "ui/window_hooks.h"

namespace {

using melquon::TfrmMain;

int problems = 0;

void Complain(const std::string& aText) {
  std::cerr << "melquon_screenshots: " << aText << '\n';
  ++problems;
}

// Lets the window lay itself out and paint before it is grabbed.
void Settle() {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 300) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
}

void Save(TfrmMain& aWindow, const QString& aFolder, const QString& aName) {
  Settle();
  const QString path = aFolder + QLatin1Char('/') + aName + QStringLiteral(".png");
  if (!aWindow.grab().save(path)) {
    Complain("can't write " + path.toStdString());
  }
}

void Draw(TfrmMain& aWindow, QToolButton* aView, QToolButton* aMeasure) {
  aView->click();
  aMeasure->click();
  aWindow.acRefreshGraph->trigger();
}

}  // namespace

int main(int argc, char** argv) {
  melquon::TApplication application(argc, argv);
  if (argc != 2) {
    std::cerr << "usage: melquon_screenshots <output folder>\n";
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  melquon::RegionalFormats() = melquon::FormatsFromSystemLocale();
  melquon::SetLogMessageBox(Complain);
  melquon::TUiHooks& hooks = melquon::UiHooks();
  hooks.Beep = [] {};
  hooks.MessageBox = Complain;
  hooks.ErrorBox = Complain;

  TfrmMain frm;
  frm.show();
  Save(frm, folder, QStringLiteral("1-main"));
  frm.acStart->trigger();
  Draw(frm, frm.sbtnAllPeriod, frm.sbtnClosedSumm);
  Save(frm, folder, QStringLiteral("2-graph-whole-period"));
  frm.cbByInterval->setCurrentIndex(frm.cbByInterval->count() / 2);
  Draw(frm, frm.sbtnIntervalByDates, frm.sbtnClosedCnt);
  Save(frm, folder, QStringLiteral("3-graph-by-day"));
  Draw(frm, frm.sbtnForDate, frm.sbtnKFactor);
  Save(frm, folder, QStringLiteral("4-graph-single-day"));
  frm.pc->setCurrentWidget(frm.tsReport);
  Save(frm, folder, QStringLiteral("5-report"));
  frm.pc->setCurrentWidget(frm.tsSettings);
  Save(frm, folder, QStringLiteral("6-settings"));
  return problems == 0 ? 0 : 1;
}
