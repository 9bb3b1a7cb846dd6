// drav-admin check on damaged data folders: each damage is named on its own
// line with its file, the exit code is 1, and the tool never crashes or
// hangs whatever the bytes.
#include "data/cdx/IndexFile.h"
#include "data/cdx/IndexTag.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/data/AdminFolder.h"
#include "tests/data/DbfTestUtil.h"
#include "tests/data/IndexFixtures.h"

#include <filesystem>
#include <functional>

namespace drav::data {
namespace {

using test::readFile;
using test::writeFile;

class AdminCheck : public test::AdminFolder {
protected:
    void SetUp() override {
        AdminFolder::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        std::string csv = test::kRunHeader;
        for (int i = 1; i <= 600; ++i)
            csv += test::runRow(1 + i % 9, i % 7 ? i % 999 : 0, "10:00",
                                "Cliente " + std::to_string(i), i % 5 == 0,
                                i == 1  ? std::string(200, 'x')  // blocks 16 to 19
                                : i % 3 ? "note del record " + std::to_string(i)
                                        : "");
        ASSERT_EQ(load("CORSE", csv), 0) << errors();
    }

public:  // the damage functions below use these
    std::string path(const char* file) const { return dir.file(file); }

    // Patches bytes of a file in place.
    void patch(const char* file, uint64_t at, const std::string& bytes) {
        std::string b = readFile(path(file));
        ASSERT_LE(at + bytes.size(), b.size());
        b.replace(at, bytes.size(), bytes);
        writeFile(path(file), b);
    }
    // Where a field of a record of CORSE.DBF is.
    uint64_t fieldAt(uint32_t recno, const char* field) {
        TableFile t;
        EXPECT_TRUE(t.open(path("CORSE.DBF"), File::Share::Exclusive, true));
        const TableLayout& l = t.layout();
        return l.headerLength() + uint64_t(recno - 1) * l.recordLength() +
               l.offset(l.fieldIndex(field));
    }
    // Changes one key of a tag as a careless writer would: through the tag
    // alone, the table untouched.
    void editTag(const char* tag, const std::function<void(TableFile&, IndexTag&)>& edit) {
        TableFile t;
        ASSERT_TRUE(t.open(path("CORSE.DBF"), File::Share::Shared, false));
        IndexOpenOptions o;
        o.tableName = "CORSE";
        std::unique_ptr<IndexFile> f;
        ASSERT_TRUE(IndexFile::open(dir.file(std::string(tag) + ".NTX"), t, o, f));
        edit(t, f->tag());
    }
};

TEST_F(AdminCheck, ASoundFolderIsClean) {
    std::string out;
    EXPECT_EQ(check(&out), 0) << out << errors();
    EXPECT_EQ(out, "");
}

struct Damage {
    const char* name;
    std::function<void(AdminCheck&)> apply;
    std::vector<std::string> expected;  // texts that must each be on some line
};

TEST_F(AdminCheck, EveryDamageIsReportedAndTheExitCodeIsOne) {
    using testutil::putLe16;
    const std::vector<Damage> cases = {
        {"table cut in the middle of a record",
         [](AdminCheck& c) {
             std::filesystem::resize_file(c.path("CORSE.DBF"),
                                          std::filesystem::file_size(c.path("CORSE.DBF")) - 100);
         },
         {"CORSE.DBF: ultimo record troncato",
          "CORSE.DBF: file troncato: l'intestazione dichiara 600 record"}},
        {"table header overwritten",
         [](AdminCheck& c) { c.patch("CORSE.DBF", 0, std::string(1, '\x7F')); },
         {"CORSE.DBF: intestazione non valida"}},
        {"memo pointer beyond the memo file",
         [](AdminCheck& c) { c.patch("CORSE.DBF", c.fieldAt(5, "NOTMITT"), "    999999"); },
         {"CORSE.DBF: record 5, campo NOTMITT: blocco memo 999999 fuori dal file memo"}},
        {"memo pointer into the middle of a value",
         [](AdminCheck& c) { c.patch("CORSE.DBF", c.fieldAt(5, "NOTMITT"), "        17"); },
         {"CORSE.DBF: record 5, campo NOTMITT: blocco memo 17 senza intestazione di testo"}},
        {"two records pointing at one memo",
         [](AdminCheck& c) {
             std::string b = readFile(c.path("CORSE.DBF")).substr(c.fieldAt(1, "NOTMITT"), 10);
             c.patch("CORSE.DBF", c.fieldAt(2, "NOTMITT"), b);
         },
         {"CORSE.DBF: i record 1 (NOTMITT) e 2 (NOTMITT) condividono blocchi memo"}},
        {"memo header with a wrong block size",
         [](AdminCheck& c) { c.patch("CORSE.DBT", 4, std::string("\0\0\0\x20", 4)); },
         {"CORSE.DBT: dimensione dei blocchi 32 invece di 64"}},
        {"letters in a number, a date and a logical",
         [](AdminCheck& c) {
             c.patch("CORSE.DBF", c.fieldAt(3, "NUMERO"), "1a2");
             c.patch("CORSE.DBF", c.fieldAt(4, "DATA"), "20240231");
             c.patch("CORSE.DBF", c.fieldAt(6, "SOSPESO"), "X");
         },
         {"CORSE.DBF: record 3, campo NUMERO: numero non valido",
          "CORSE.DBF: record 4, campo DATA: data non valida",
          "CORSE.DBF: record 6, campo SOSPESO: valore logico non valido"}},
        {"a tag missing a key",
         [](AdminCheck& c) {
             c.editTag("CORSE", [](TableFile& t, IndexTag& tag) {
                 ASSERT_TRUE(t.goTo(8));
                 ASSERT_TRUE(tag.removeKey(tag.keyOf(t), 8));
             });
         },
         {"CORSE.NTX: tag CORSE: manca la chiave del record 8"}},
        {"a tag with a key too many",
         [](AdminCheck& c) {
             c.editTag("FUTURE", [](TableFile& t, IndexTag& tag) {
                 ASSERT_TRUE(t.goTo(8));  // numbered: it belongs in CORSE, not in FUTURE
                 ASSERT_TRUE(tag.addKey(tag.keyOf(t), 8));
             });
         },
         {"FUTURE.NTX: tag FUTURE: chiave in più per il record 8"}},
        {"a cyclic sibling link",
         [](AdminCheck& c) {
             // The second leaf of the tree points right back to the first.
             std::string b = readFile(c.path("CORSE.NTX"));
             bool done = false;
             for (size_t at = 1024; at + 512 <= b.size() && !done; at += 512) {
                 uint32_t left = testutil::le32(b, at + 4), right = testutil::le32(b, at + 8);
                 if (testutil::le16(b, at) == 2 && left != 0xFFFFFFFF && right != 0xFFFFFFFF) {
                     c.patch("CORSE.NTX", at + 8, b.substr(at + 4, 4));
                     done = true;
                 }
             }
             ASSERT_TRUE(done) << "no leaf between two others";
         },
         {"CORSE.NTX: tag CORSE: pagina", "collegamento a destra errato"}},
        {"a tag file cut to its header",
         [](AdminCheck& c) { std::filesystem::resize_file(c.path("SOSPESI.NTX"), 1024); },
         {"SOSPESI.NTX: file di 1024 byte o meno"}},
        {"a tag file cut in the middle of its tree",
         [](AdminCheck& c) {
             std::filesystem::resize_file(c.path("SOSPESI.NTX"),
                                          std::filesystem::file_size(c.path("SOSPESI.NTX")) - 700);
         },
         {"SOSPESI.NTX: "}},
        {"a tag whose key text is not the one of its tag",
         [](AdminCheck& c) {
             // Same length, so the tree stays readable: only the text is wrong.
             std::string b = readFile(c.path("FUTURE.NTX"));
             size_t at = b.find("DTOS( data ) + ora");
             ASSERT_NE(at, std::string::npos);
             c.patch("FUTURE.NTX", at, "DTOS( data ) + ORA");
         },
         {"FUTURE.NTX: chiave \"DTOS( data ) + ORA\" invece di \"DTOS( data ) + ora\""}},
    };
    const std::string sound = dir.path() + "/sound";
    std::filesystem::create_directory(sound);
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.is_regular_file()) std::filesystem::copy(e.path(), sound);
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.name);
        for (const auto& e : std::filesystem::directory_iterator(sound))
            std::filesystem::copy(e.path(), dir.path(),
                                  std::filesystem::copy_options::overwrite_existing);
        d.apply(*this);
        if (HasFatalFailure()) return;
        std::string out;
        EXPECT_EQ(check(&out), 1) << out << errors();
        for (const std::string& want : d.expected)
            EXPECT_NE(out.find(want), std::string::npos) << want << "\n" << out;
        for (const std::string& line : test::lines(out))
            EXPECT_TRUE(line.find(".DBF: ") != std::string::npos ||
                        line.find(".DBT: ") != std::string::npos ||
                        line.find(".NTX: ") != std::string::npos)
                << "a line without its file: " << line;
    }
}

// The maintenance's way: a pack renumbers the records, so the tags are out
// of step until they are built again; then the folder is clean.
TEST_F(AdminCheck, PackThenTagRebuildLeavesACleanFolder) {
    ASSERT_EQ(test::runCommand(cmd("delete " + dir.path() + " CORSE 1 2 50 333 600")), 0)
        << errors();
    {
        TableFile t;
        ASSERT_TRUE(t.open(path("CORSE.DBF"), File::Share::Exclusive, false));
        ASSERT_TRUE(t.pack());
    }
    std::string out;
    EXPECT_EQ(check(&out), 1);
    for (const char* name : {"CORSE", "FUTURE", "SOSPESI"})
        EXPECT_NE(
            out.find(std::string(name) + ".NTX: tag " + name + ": chiave in più per il record"),
            std::string::npos)
            << out;
    {
        TableFile t;
        ASSERT_TRUE(t.open(path("CORSE.DBF"), File::Share::Exclusive, false));
        auto scan = t.scan();
        for (const char* name : {"CORSE", "FUTURE", "SOSPESI"}) {
            const TagDef* def = findTag(name);
            ASSERT_TRUE(test::buildTag(path(def->fileName().c_str()), *scan, def->keyText,
                                       def->conditionText, false));
        }
    }
    EXPECT_EQ(check(&out), 0) << out;
    std::string dump;
    ASSERT_EQ(test::runCommand(cmd("dump " + dir.path() + " CORSE --tag SOSPESI"), &dump), 0);
    EXPECT_EQ(test::lines(dump).size(), 1u + 595u);
}

}  // namespace
}  // namespace drav::data
