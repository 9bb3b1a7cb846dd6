// Backup and restore of the data folder, the operations behind the menu
// items "Salvataggio dati..." and "Ripristino dati..." and behind the admin
// tool's backup and restore commands.
//
// A backup holds every file of the data folder matching "*.DB?" (the tables
// and their memo files, hidden and read-only ones included); index files
// are not saved, the maintenance rebuilds them after a restore.
//
// The screens choose the archive with the file dialogs (filter
// "File ZIP (*.zip)"; "Salvataggio dati" proposing defaultArchiveName(),
// "Ripristina dati da" for an existing file; both starting in the data
// folder) and hand the chosen name here; an empty name is a cancelled
// dialog.
#pragma once

#include "util/Date.h"

#include <functional>
#include <string>
#include <vector>

namespace drav::data {

// "Salvataggio archivi DRAV del " + today as ddmmyy + ".zip":
// Salvataggio archivi DRAV del 091225.zip on 9 December 2025.
std::string defaultArchiveName(Date day = Date::today());

// The names (without folder) of the files of the data folder a backup
// holds: those matching "*.DB?", in the order of the folder listing.
std::vector<std::string> backupFiles(const std::string& dataFolder = ".");

// The name with ".zip" appended when it has no extension.
std::string withZipExtension(const std::string& name);

// The menu's backup: the files of the current folder and the extra files
// into the chosen archive, under the wait message "Compressione in
// corso...", then "Salvataggio completato.". False, showing nothing, for an
// empty name; false after zip()'s message when the archive was not written.
bool salva(const std::vector<std::string>& extraFiles, const std::string& chosenName);

// The archive maintenance in its start-up form (no question): packs every
// table and rebuilds every index tag.
using Maintenance = std::function<void()>;
// Asks the archive name, after the confirmation question; "" when cancelled.
using ChooseArchive = std::function<std::string()>;

// The menu's restore: the question "Spegnere tutti i terminali.;;Continuo
// l'operazione?" (Cancel: false), the archive (empty name: false, nothing
// shown), the unpacking under "Decompressione in corso...", the maintenance
// and "Ripristino completato.". A failed unpacking has shown its message;
// no maintenance runs and the result is false.
bool ricarica(const ChooseArchive& chooseArchive, const Maintenance& maintenance);
bool ricarica(const std::string& chosenName, const Maintenance& maintenance);

// For the admin tool: the same without questions, dialogs or wait messages,
// on a data folder named by its path.
bool backupFolder(const std::string& dataFolder, const std::string& archiveName);
bool restoreFolder(const std::string& archiveName, const std::string& dataFolder,
                   const Maintenance& maintenance);

}  // namespace drav::data
