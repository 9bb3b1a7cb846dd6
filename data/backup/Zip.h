// Writing a backup archive: a standard ZIP file with one entry per file,
// named by the file's bare name, deflated at the library's default level
// and dated with the file's local modification time.
//
// Messages (an information box each, then false):
//   the data folder's disk is not ready     "Disco non pronto."
//   a listed file does not exist            "Impossibile trovare il file;;" + its name
//   the archive cannot be written whole     "Si è verificato un errore durante la
//                                            creazione del file;;" + archive name
//
// An archive of the same name is replaced, never added to. The new archive
// is written under a temporary name beside it and takes the name only once
// complete, so a backup that fails keeps the previous archive intact; and a
// file that cannot be read fails the backup rather than leave a table out
// of an archive reported as written.
#pragma once

#include <string>
#include <vector>

namespace drav::data {

// The files are names of the current folder (the data folder) or paths.
bool zip(const std::string& archiveName, const std::vector<std::string>& files);
// The same with relative file names taken in the given data folder.
bool zipFrom(const std::string& dataFolder, const std::string& archiveName,
             const std::vector<std::string>& files);

}  // namespace drav::data
