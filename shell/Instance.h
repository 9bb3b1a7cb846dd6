// This running copy of the program (an instance): its unique name, its
// private work folder under the temporary folder, and the "USER" file that
// it keeps locked for its whole life so that no other instance's start-up
// clean-up takes the folder away.
//
// Sections: clean-up at process start; set-up (USER); end of the instance;
// the stored values (SETTEMP, SETUSER, SETHUSER); the station table.
//
// Instance folder: TEMP/<name>, mode 0700, where <name> is 0x7F, today's
// date (yyyymmdd) and the hundredths of a second since midnight. Two
// instances started in the same hundredth on one machine compute the same
// name; the folder is claimed atomically, so the second takes a new name:
//
//   1. mkdtemp TEMP/0x7F "NEW" XXXXXX          a private staging folder
//   2. create USER in it, lock byte 0           (exclusive, open-file lock)
//   3. rename it to TEMP/<name>, never over an existing folder
//   4. check that TEMP/<name>/USER is the file we hold locked
//
// A folder whose USER file is locked belongs to a running instance; the
// clean-up at every start removes the other 0x7F folders (those of
// instances that died, and staging folders left half-made), but only
// real folders of this user, never through a symbolic link.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace drav::shell {

class Instance {
public:
    // dataFolder "" is the current folder; temp is where the instance folder goes.
    explicit Instance(std::string dataFolder = {}, std::optional<std::string> temp = {});
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    // ---- Clean-up at process start -------------------------------------------
    // Deletes the ordinary files of the data folder whose names begin with
    // 0x7F, and the 0x7F folders of the temporary folder that no running
    // instance holds, file by file (stopping at the first file that will not
    // go) and then the folder. Says nothing.
    void cleanStale() const;

    // ---- Set-up (USER) -------------------------------------------------------
    // Creates the station table when needed (sCreate; its errors end the
    // program, so they are left to the caller), names the instance, makes
    // its folder and locked "USER" file, and publishes the folder as the
    // instance folder. False, silently, when no folder could be made.
    bool setUp();
    bool isSetUp() const { return m_fd >= 0; }
    const std::string& name() const { return m_name; }
    // With a trailing "/".
    const std::string& folder() const { return m_folder; }

    // ---- End of the instance ------------------------------------------------
    // Closes the instance file and deletes the folder with everything in it,
    // depth first. A file that will not go stops the deletion with "Impossibile
    // cancellare il file <path>."; a folder with "Impossibile cancellare la
    // cartella <path>.". Nothing when the instance was not set up.
    void end();

    // Test hook: called before every deletion of end() and cleanStale();
    // returning true makes that deletion fail.
    static std::function<bool(const std::string& path)> TEST_setRemoveFault(
        std::function<bool(const std::string& path)> fault);

private:
    enum class Claim { Claimed, Retry, Failed };
    Claim claim(const std::string& name);

    std::string m_dataFolder;
    std::string m_temp;
    std::string m_name;
    std::string m_folder;
    int m_fd = -1;
};

// ---- The stored values ------------------------------------------------------
// Each stores the value when given one and returns the value stored: the
// instance folder with its trailing "/", the instance name, the handle of
// the open instance file (-1 when none).
std::string setTemp(std::optional<std::string> value = {});
std::string setUser(std::optional<std::string> value = {});
int setHUser(std::optional<int> value = {});

// ---- The station table --------------------------------------------------------
// SCREATE: unless the data folder has a file "NET" or this is a network
// station (the marker file exists), creates the table "NET" (one field LOCK,
// C 1) with its free-space check, and appends its one blank record. Errors
// go to the error handler and abandon.
void sCreate(const std::string& dataFolder = {});

// The instance of this process, set up at start and ended at the end.
Instance& processInstance();

}  // namespace drav::shell
