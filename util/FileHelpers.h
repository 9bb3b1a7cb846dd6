// File-name, folder and file helpers.
//
// Paths use "/" (there are no drive letters here): the data folder is the
// current folder, and a "drive" is any folder, checked with statvfs.
// File names are table bytes passed through unchanged; the callers that
// name their own files give them in capitals.
//
//   1. Names        - cFileExt, cFileNoExt, fileNameOf, folderOf, fullPath, curPath
//   2. Folders      - aDisk, wildExp, delDir, isReady
//   3. Files        - getNewFName, isReadOnly, fReadLine
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drav {

// ---- 1. Names -----------------------------------------------------------

// The text after the last "." of the trimmed path's file name; "" when the
// name has none. A "." in a folder name is not an extension.
std::string cFileExt(std::string_view path);
// The file name without its folder (after the last "/") and without its
// extension, trimmed: "/dati/CLIENTI.DBF" gives "CLIENTI".
std::string cFileNoExt(std::string_view path);
// The file name without its folder (after the last "/"), as written.
std::string fileNameOf(std::string_view path);
// The folder of the path as written, with its final "/"; "" for a bare name.
std::string folderOf(std::string_view path);
// The folder of the path's absolute name (relative paths are taken from
// the current folder, "." and ".." resolved) without a final "/"; "/" for a
// file in the root.
std::string fullPath(std::string_view path);
// The current folder with a final "/"; just "/" at the root.
std::string curPath();

// ---- 2. Folders ---------------------------------------------------------

// "/" and the mount points of the disk and network file systems, sorted:
// the places a user can keep data or backups (pseudo file systems such as
// /proc are left out).
std::vector<std::string> aDisk();
// The names (without folder) of the files matching each mask (wildcards
// "*" and "?", letter case ignored, "*.*" for every file; a mask may start
// with a folder), hidden files included, mask after mask, each mask's names
// in the order the folder listing gives. A name matching two masks appears
// twice.
std::vector<std::string> wildExp(const std::vector<std::string>& masks);
// Deletes every file of the folder, hidden ones included; sub-folders stay,
// and so does the folder. Stops at the first file that cannot be deleted
// and returns false; true when every file went.
bool delDir(std::string_view folder);
// True for an empty argument or an existing folder; otherwise shows
// "Disco non pronto." (when showMessage) and returns false.
bool isReady(std::string_view folder, bool showMessage = true);

// ---- 3. Files -----------------------------------------------------------

// A temporary name unique to this moment: character 127, today's date as
// eight digits (year, month, day) and the hundredths of a second since
// midnight without leading zeros. Waits until the clock has moved on before
// returning, so two calls in this process never give the same name.
std::string getNewFName();
// True, after the message "File non accessibile.", when the file cannot be
// opened for writing because access is denied (permissions, or a read-only
// file system); false otherwise (a missing file included).
bool isReadOnly(std::string_view path);
// The next line of the open file from its current position, without its
// terminator (CR LF, LF or CR); nothing at the end of the file. The position
// is left after the line and its terminator. A line longer than blockSize
// comes back in pieces of blockSize bytes, call after call, nothing lost.
std::optional<std::string> fReadLine(int fd, size_t blockSize = 128);

}  // namespace drav
