// Backup and restore of the data folder (see Backup.h).
//
//   1. Names: the default archive name, the files saved, the extension
//   2. The menu's operations: salva, ricarica
//   3. The admin tool's operations
#include "data/backup/Backup.h"

#include "data/backup/Unzip.h"
#include "data/backup/Zip.h"
#include "util/FileHelpers.h"
#include "util/Messages.h"

namespace drav::data {

// ---- 1. Names -------------------------------------------------------------------

std::string defaultArchiveName(Date day) {
    std::string ddmmyy = day.toText(DateFormat::TwoDigitYear);  // "09/12/25"
    std::erase(ddmmyy, '/');
    // The program's executable is drav; texts name it in capitals.
    return "Salvataggio archivi DRAV del " + ddmmyy + ".zip";
}

std::vector<std::string> backupFiles(const std::string& dataFolder) {
    if (dataFolder.empty() || dataFolder == ".") return wildExp({"*.DB?"});
    return wildExp({dataFolder + "/*.DB?"});
}

std::string withZipExtension(const std::string& name) {
    return cFileExt(name).empty() ? name + ".zip" : name;
}

// ---- 2. The menu's operations ------------------------------------------------------

bool salva(const std::vector<std::string>& extraFiles, const std::string& chosenName) {
    std::vector<std::string> files = backupFiles();
    files.insert(files.end(), extraFiles.begin(), extraFiles.end());
    if (chosenName.empty()) return false;
    bool written;
    {
        ScopedWaitMsg wait(QStringLiteral("Compressione in corso..."));
        written = zip(withZipExtension(chosenName), files);
    }
    if (written) msgInfo(QStringLiteral("Salvataggio completato."));
    return written;
}

bool ricarica(const ChooseArchive& chooseArchive, const Maintenance& maintenance) {
    if (!msgAsk(QStringLiteral("Spegnere tutti i terminali.;;Continuo l'operazione?")))
        return false;
    std::string name = chooseArchive ? chooseArchive() : std::string();
    if (name.empty()) return false;
    bool unpacked;
    {
        ScopedWaitMsg wait(QStringLiteral("Decompressione in corso..."));
        unpacked = unzip(withZipExtension(name));
    }
    if (!unpacked) return false;
    if (maintenance) maintenance();
    msgInfo(QStringLiteral("Ripristino completato."));
    return true;
}

bool ricarica(const std::string& chosenName, const Maintenance& maintenance) {
    return ricarica([&] { return chosenName; }, maintenance);
}

// ---- 3. The admin tool's operations --------------------------------------------------

bool backupFolder(const std::string& dataFolder, const std::string& archiveName) {
    return zipFrom(dataFolder, archiveName, backupFiles(dataFolder));
}

bool restoreFolder(const std::string& archiveName, const std::string& dataFolder,
                   const Maintenance& maintenance) {
    if (!unzipInto(archiveName, dataFolder)) return false;
    if (maintenance) maintenance();
    return true;
}

}  // namespace drav::data
