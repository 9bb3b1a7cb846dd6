// The private folder where a restore unpacks an archive before any table of
// the data folder is touched.
//
// It lives inside the data folder (so on the same disk: moving a file into
// place is a rename, never a copy) under a name that starts with character
// 0x7F, like every temporary name of the system, and holds:
//
//   <NAME>.DB?   the unpacked files, waiting to replace the tables
//   OLD/         the replaced tables, kept until the restore is over so that
//                a failure half-way can put them back
//   LOCK         held exclusively while the restore runs: a folder whose
//                LOCK is free belongs to a restore that died, and
//                sweepStaleStaging() removes it
//
// The folder and everything in it go when the object goes, on every way out.
#pragma once

#include "data/Status.h"
#include "data/os/File.h"

#include <functional>
#include <string>
#include <vector>

namespace drav::data {

class StagingFolder {
public:
    StagingFolder() = default;
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    // Creates the folder inside the data folder.
    Status open(const std::string& dataFolder);
    const std::string& path() const { return m_path; }
    // Where the unpacked file of that name is written.
    std::string filePath(const std::string& name) const { return m_path + "/" + name; }

    // Moves the unpacked files of these names into the data folder, each
    // replacing the file of the same name. All or nothing: when one cannot
    // be moved, the files already moved are taken back and the replaced ones
    // put back, and the data folder is as it was.
    Status commit(const std::vector<std::string>& names);

    // TEST ONLY: called before each file is moved into place with the
    // target path; a non-zero errno value makes that move fail.
    using RenameFault = std::function<int(const std::string& target)>;
    static RenameFault TEST_setRenameFault(RenameFault fault);

private:
    void remove();

    std::string m_dataFolder;
    std::string m_path;
    File m_lock;
};

// Removes the restore folders of the data folder left behind by a restore
// that ended abnormally; a folder whose restore is still running stays.
void sweepStaleStaging(const std::string& dataFolder);

}  // namespace drav::data
