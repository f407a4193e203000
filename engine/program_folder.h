#pragma once

#include <string>

namespace melquon {

// Where the program keeps Melquon.ini and Melquon.log (ending with the separator): the
// executable's folder when a Melquon.ini lies beside it, as in a build tree or a copy carried
// around; otherwise the user's own aConfigHome + "melquon/", made on first use with a copy of
// the installed sample settings (aDataFolder + "Melquon.ini") whose ArchivePath names the
// installed sample archive. Throws EInOutError naming the folder when it can't be made.
std::string ProgramFolder(const std::string& aExecutableFolder, const std::string& aConfigHome,
                          const std::string& aDataFolder);
// The same for this process: $XDG_CONFIG_HOME (or ~/.config) and the data folder of an
// installed copy, share/melquon beside the executable's bin folder.
std::string ProgramFolder();

// The user guide: in the program folder aProgramFolder, where the program has always looked,
// unless it is not there but where an installed copy keeps its documents.
std::string UserGuideFile(const std::string& aProgramFolder);

}  // namespace melquon
