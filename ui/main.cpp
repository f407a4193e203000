#include <csignal>

#include "log/write_log.h"
#include "runtime/formats.h"
#include "runtime/memory.h"
#include "ui/error_reporting.h"
#include "ui/gui_thread.h"
#include "ui/main_form.h"
#include "ui/window_hooks.h"

int main(int argc, char** argv) {
  using namespace melquon;
  // A write past the file size limit is then an error the program reports, not a silent kill.
  std::signal(SIGXFSZ, SIG_IGN);
  SetUpAllocator();
  TApplication application(argc, argv);
  RegionalFormats() = FormatsFromSystemLocale();
  // A run in its worker thread may have a notice to show: it is shown in the window's thread.
  SetLogMessageBox(
      [](const std::string& aText) { RunInGuiThread([&aText] { UiHooks().MessageBox(aText); }); });
  TfrmMain frmMain;
  frmMain.show();
  return TApplication::exec();
}
