#include "engine/engine.h"

#include "engine/program_folder.h"
#include "log/write_log.h"
#include "runtime/paths.h"

namespace melquon {

TEngine& Engine() {
  static TEngine engine;
  return engine;
}

// A folder that can't be made is told once, and no log line is tried after it.
void StartEngine() {
  std::string folder;
  try {
    folder = ProgramFolder();
  } catch (...) {
    LogLevel = 0;
    throw;
  }
  StartEngine(folder + "Melquon.ini");
}

void StartEngine(const std::string& aIniFileName) {
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
