// Restoring a backup archive into a data folder.
//
// A restore is all or nothing: the archive is checked whole, its table and
// memo files are unpacked into a staging folder (StagingFolder.h), and only
// when every one came out whole do they replace the tables, each by a
// rename. A failed restore leaves the data folder as it was.
//
// Checked before a byte is unpacked, from the archive's directory:
//   - every entry name (EntryName.h): table and memo files are restored in
//     capitals, other files and folder entries are passed over, and a name
//     with "..", a root, a drive, a folder path or a control character
//     refuses the archive;
//   - links and device entries refuse the archive, as do encrypted entries,
//     methods other than stored and deflate, and two entries for one file;
//   - an archive without any table or memo file is refused;
//   - the declared sizes, with room for each file, must fit the free space
//     of the data folder's disk (less the 8192 bytes every save keeps).
// Checked while unpacking, without trusting the directory: the bytes that
// come out never go past the declared size (a deflate stream that would
// inflate further is refused at that point), and at the end their count and
// CRC must equal the declared ones.
//
// Messages (an information box each, then false):
//   the data folder's disk is not ready   "Disco non pronto."
//   the archive does not exist            "Impossibile trovare il file;;" + name
//   the declared sizes do not fit         "Spazio sul disco insufficiente."
//   anything else refused or failed       "Si è verificato un errore durante la
//                                          decompressione del file;;" + name
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace drav::data {

// Restores into the current folder (the data folder).
bool unzip(const std::string& archiveName);
// Restores into the given data folder.
bool unzipInto(const std::string& archiveName, const std::string& dataFolder);

// TEST ONLY: the free space to assume on the data folder's disk instead of
// asking the disk; nothing goes back to asking.
void TEST_setRestoreFreeSpace(std::optional<uint64_t> bytes);

}  // namespace drav::data
