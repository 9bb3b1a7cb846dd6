// Archives that must not be restored: crafted names, links, lying sizes,
// damaged data and bombs. Each must leave the data folder exactly as it was
// and write nothing outside it, whatever it holds besides a good table.
#include "data/backup/Unzip.h"
#include "tests/data/backup_fixture.h"
#include "tests/support/ScriptedPort.h"
#include "util/Messages.h"

#include "tests/support/Child.h"

#include <sys/resource.h>

#include <functional>

namespace drav::data {
namespace {

using test::TempDir;
using test::writeFile;

const std::string kGood = "tabella salvata";

struct Hostile {
    const char* what;
    // Builds the archive; root is the folder holding the data folder.
    std::function<void(test::ZipBuilder&, const std::string& root)> build;
    bool diskFull = false;  // refused for lack of space rather than as damaged
    // Changes the written archive's bytes where minizip would not write them.
    std::function<void(const std::string& archive)> patch = nullptr;
};

// Sets the compression method of an entry in both its local and its
// central header.
void setMethod(const std::string& archive, const std::string& name, uint16_t method) {
    std::string bytes = test::readFile(archive);
    auto u16 = [&](size_t at) {
        return static_cast<size_t>(static_cast<unsigned char>(bytes[at]) |
                                   static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    // signature, offset of the method, of the name length, of the name
    const struct {
        const char* sig;
        size_t method, nameLen, name;
    } headers[] = {{"PK\x03\x04", 8, 26, 30}, {"PK\x01\x02", 10, 28, 46}};
    for (const auto& h : headers) {
        for (size_t at = bytes.find(h.sig); at != std::string::npos;
             at = bytes.find(h.sig, at + 1)) {
            if (bytes.compare(at + h.name, u16(at + h.nameLen), name) != 0) continue;
            bytes[at + h.method] = static_cast<char>(method & 0xFF);
            bytes[at + h.method + 1] = static_cast<char>(method >> 8);
        }
    }
    writeFile(archive, bytes);
}

// The restore refused: one message, the data folder and everything beside it
// as before, no staging folder left.
void expectRefused(const Hostile& h) {
    TempDir root;
    std::string data = root.file("DATI");
    std::filesystem::create_directory(data);
    writeFile(data + "/CLIENTI.DBF", "clienti attuale");
    writeFile(data + "/CORSE.DBF", "corse attuale");
    std::string archive = root.file("ARCHIVIO/copia.zip");
    std::filesystem::create_directory(root.file("ARCHIVIO"));
    {
        test::ZipBuilder zb(archive);
        h.build(zb, root.path());
    }
    if (h.patch) h.patch(archive);
    auto before = test::snapshot(root.path());

    test::ScopedScriptedPort port;
    EXPECT_FALSE(unzipInto(archive, data)) << h.what;
    EXPECT_EQ(test::snapshot(root.path()), before) << h.what;
    ASSERT_EQ(port.log().messages.size(), 1u) << h.what;
    QString expected = h.diskFull
                           ? QStringLiteral("Spazio sul disco insufficiente.")
                           : messageText(QStringLiteral("Si è verificato un errore durante la "
                                                        "decompressione del file;;") +
                                         QString::fromStdString(archive));
    EXPECT_EQ(port.log().messages[0].text, expected) << h.what;
}

TEST(BackupHostile, CraftedNamesAndLinksRefuseTheWholeArchive) {
    const Hostile cases[] = {
        {"parent folder",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).add("../EVIL.DBF", "x");
         }},
        {"parent folder after a folder",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).add("DATI/../../EVIL.DBF", "x");
         }},
        {"backslash parent folder",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).add("..\\EVIL.DBF", "x");
         }},
        {"absolute name",
         [](test::ZipBuilder& z, const std::string& root) {
             z.add("CLIENTI.DBF", kGood).add(root + "/EVIL.DBF", "x");
         }},
        {"backslash folder",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).add("a\\CORSE.DBF", "x");
         }},
        {"table inside a folder",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).add("ALTRI/CORSE.DBF", "x");
         }},
        {"drive letter",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).add("C:CORSE.DBF", "x");
         }},
        {"control character",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).add("CORSE\n.DBF", "x");
         }},
        {"link named as a table",
         [](test::ZipBuilder& z, const std::string& root) {
             z.add("CLIENTI.DBF", kGood).addSymlink("CORSE.DBF", root + "/EVIL.DBF");
         }},
        {"link with another name",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).addSymlink("dati", "..");
         }},
        {"named pipe",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).addUnix("CORSE.DBF", "", S_IFIFO | 0644);
         }},
        {"one table twice",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).add("clienti.dbf", "altra");
         }},
        {"nothing to restore",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.NTX", "indice").add("LEGGIMI.TXT", "x");
         }},
        {"encrypted table",
         [](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).addEncrypted("CORSE.DBF", "segreta");
         }},
    };
    for (const Hostile& h : cases) expectRefused(h);
}

TEST(BackupHostile, DataThatIsNotWhatTheArchiveDeclaresIsRefused) {
    const std::string data(5000, 'r');
    const std::string packed = test::deflateRaw(data);
    const Hostile cases[] = {
        {"declared shorter than it inflates",
         [&](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood)
                 .addRaw("CORSE.DBF", packed, 1000, test::crcOf(data.substr(0, 1000)));
         }},
        {"declared longer than it inflates",
         [&](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).addRaw("CORSE.DBF", packed, 6000, test::crcOf(data));
         }},
        {"wrong CRC",
         [&](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood)
                 .addRaw("CORSE.DBF", packed, data.size(), test::crcOf(data) ^ 1);
         }},
        {"stored, declared shorter",
         [&](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood).addRaw("CORSE.DBF", data, 10, test::crcOf(data), 0);
         }},
        // The second table cannot be inflated: the first was already unpacked.
        {"not a deflate stream",
         [&](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood)
                 .addRaw("CORSE.DBF", std::string(64, '\xFF'), data.size(), test::crcOf(data));
         }},
        {"deflate stream cut short",
         [&](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood)
                 .addRaw("CORSE.DBF", packed.substr(0, packed.size() / 2), data.size(),
                         test::crcOf(data));
         }},
        {"unknown method",
         [&](test::ZipBuilder& z, const std::string&) {
             z.add("CLIENTI.DBF", kGood)
                 .addRaw("CORSE.DBF", data, data.size(), test::crcOf(data), 0);
         },
         false, [](const std::string& archive) { setMethod(archive, "CORSE.DBF", 12); }},
    };
    for (const Hostile& h : cases) expectRefused(h);
}

TEST(BackupHostile, ArchiveThatIsNoZipFile) {
    TempDir dir;
    writeFile(dir.file("CLIENTI.DBF"), "clienti attuale");
    writeFile(dir.file("copia.zip"), std::string(4096, 'z'));
    auto before = test::snapshot(dir.path());
    test::ScopedScriptedPort port;
    EXPECT_FALSE(unzipInto(dir.file("copia.zip"), dir.path()));
    EXPECT_EQ(test::snapshot(dir.path()), before);
    ASSERT_EQ(port.log().messages.size(), 1u);
    EXPECT_TRUE(port.log().messages[0].text.startsWith(
        QStringLiteral("Si è verificato un errore durante la decompressione del file")));
}

// A small archive that would inflate to far more than the disk can take:
// refused from its declared sizes before a byte is written.
TEST(BackupHostile, ZipBombs) {
    const std::string zeros(64u << 20, '\0');
    const std::string packed = test::deflateRaw(zeros);
    ASSERT_LT(packed.size(), 200u << 10);
    TEST_setRestoreFreeSpace(16u << 20);
    Hostile declared{"declared larger than the free space",
                     [&](test::ZipBuilder& z, const std::string&) {
                         z.add("CLIENTI.DBF", kGood)
                             .addRaw("CORSE.DBF", packed, zeros.size(), test::crcOf(zeros));
                     },
                     true};
    Hostile many{"many small files beyond the free space",
                 [&](test::ZipBuilder& z, const std::string&) {
                     for (int i = 0; i < 5000; ++i) z.add("T" + std::to_string(i) + ".DBF", "x");
                 },
                 true};
    expectRefused(declared);
    expectRefused(many);
    TEST_setRestoreFreeSpace(std::nullopt);
}

// Restores the archive into the data folder with files limited to 1 MiB:
// writing past that kills the process (SIGXFSZ).
DRAV_TEST_CHILD(restoreWithFileLimit, args) {
    rlimit limit{1u << 20, 1u << 20};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    test::ScopedScriptedPort quiet;
    test::childWriteLine(unzipInto(args[0], args[1]) ? "restored" : "refused");
    return 0;
}

// An archive whose directory says 4 KiB for an entry that inflates to
// 64 MiB: unpacking stops as soon as the bytes pass the declared size,
// without ever writing them.
TEST(BackupHostile, BombLyingAboutItsSizeIsStoppedWhileInflating) {
    const std::string zeros(64u << 20, '\0');
    TempDir root, archives;
    std::string data = root.file("DATI");
    std::filesystem::create_directory(data);
    writeFile(data + "/CORSE.DBF", "corse attuale");
    test::ZipBuilder(archives.file("bomba.zip"))
        .add("CLIENTI.DBF", kGood)
        .addRaw("CORSE.DBF", test::deflateRaw(zeros), 4096, test::crcOf(zeros.substr(0, 4096)))
        .close();
    auto before = test::snapshot(root.path());

    test::ChildProcess child =
        test::startChild("restoreWithFileLimit", {archives.file("bomba.zip"), data});
    EXPECT_EQ(child.readLine(), "refused");
    EXPECT_EQ(child.wait(), 0);  // not killed for writing past the limit
    auto after = test::snapshot(root.path());
    EXPECT_TRUE(after == before) << after.size() << " entries, expected " << before.size();
}

TEST(BackupHostile, MissingArchiveAndDataFolderNotReady) {
    TempDir dir;
    test::ScopedScriptedPort port;
    EXPECT_FALSE(unzipInto(dir.file("manca.zip"), dir.path()));
    EXPECT_FALSE(unzipInto(dir.file("manca.zip"), dir.file("assente")));
    ASSERT_EQ(port.log().messages.size(), 2u);
    EXPECT_EQ(port.log().messages[0].text,
              messageText(QStringLiteral("Impossibile trovare il file;;") +
                          QString::fromStdString(dir.file("manca.zip"))));
    EXPECT_EQ(port.log().messages[1].text, QStringLiteral("Disco non pronto."));
    EXPECT_TRUE(test::snapshot(dir.path()).empty());
}

}  // namespace
}  // namespace drav::data
