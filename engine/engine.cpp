#include "engine/engine.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "log/write_log.h"
#include "runtime/paths.h"

namespace melquon {

namespace {

// Day files are read into buffers of tens of megabytes, freed at the end of every run. Left to
// itself glibc raises its mmap threshold to the size of the first such buffer freed, and the
// buffers of later runs then come from the heap, where the freed steps of growing line tables
// stay resident: the second run would peak near twice as high as the first. A fixed
// threshold keeps large blocks mapped and hands them back to the system when freed.
void KeepLargeBlocksMapped() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

}  // namespace

TEngine& Engine() {
  static TEngine engine;
  return engine;
}

void StartEngine() {
  StartEngine(ExecutableDirectory() + "Melquon.ini");
}

void StartEngine(const std::string& aIniFileName) {
  KeepLargeBlocksMapped();
  TEngine& engine = Engine();
  engine.ExePath = DirectoryOf(aIniFileName);
  LogFileName = engine.ExePath + "Melquon.log";
  LogLevel = 2;
  WriteLog("", "Starting..", 2, true, true);
  engine.IniFileName = aIniFileName;
  engine.SkipIntervals.Items.clear();
  LoadSettings();
  engine.CurrentResult.reset();
  engine.RegExp = std::make_unique<TRegExp>();
  engine.RegExp->Global = true;
  engine.RegExp->IgnoreCase = true;
  engine.RegExp->Multiline = true;
}

void StopEngine() {
  TEngine& engine = Engine();
  engine.RegExp.reset();
  engine.SkipIntervals.Items.clear();
  engine.CurrentResult.reset();
}

void LoadSettings() {
  TEngine& engine = Engine();
  LoadSettingsFrom(engine.IniFileName, engine.Settings, engine.SkipIntervals);
}

}  // namespace melquon
