// The settings store: the configuration file as the first start writes it,
// the typed values, the parameters form's private copy saved back into an
// existing file, and the files that are missing, odd or unwritable.
#include "shell/Config.h"
#include "tests/shell/ShellTestSupport.h"
#include "util/IniFile.h"
#include "util/SettingsScope.h"

#include <gtest/gtest.h>

namespace drav {
namespace {

using test::readFile;
using test::writeFile;

class SettingsFile : public ::testing::Test {
protected:
    test::SettingsState m_state;
    test::TempDir m_dir;
    test::ScopedChdir m_cd{m_dir.path()};

    std::string cfg() const { return readFile(m_dir.file("DRAV.CFG")); }
    void setCfg(const std::string& bytes) { writeFile(m_dir.file("DRAV.CFG"), bytes); }

    // What the parameters form does: a private copy of every key, loaded
    // from the file, edited, saved, then dropped.
    void editAndSave(const std::string& name, Value value, const char* mask = "CFG_*") {
        SettingsScope form;
        for (const std::string& key : getPvProfSection("Vars", "DRAV.CFG")) form.declare(key);
        ASSERT_TRUE(restoreIni("DRAV.CFG"));
        setSetting(name, std::move(value));
        ASSERT_TRUE(saveIni(mask, "DRAV.CFG"));
    }
};

TEST_F(SettingsFile, FirstStartWritesTheDefaultsExactly) {
    ASSERT_TRUE(shell::mkCfg());
    EXPECT_EQ(cfg(), test::kFirstStartCfg);

    TEST_resetSettings();
    ASSERT_TRUE(shell::loadSettings());
    EXPECT_EQ(settingNumber("CFG_DBUST"), 0);
    EXPECT_EQ(settingNumber("CFG_IVA"), 20);
    EXPECT_EQ(settingNumber("CFG_NFATT"), 1);
    EXPECT_EQ(settingNumber("CFG_SBUST"), 0);
    EXPECT_EQ(settingNumber("CFG_SFATT"), 0);

    // A later start leaves an existing file alone, whatever it holds.
    setCfg("[Vars]\r\nCFG_IVA=N22\r\n");
    ASSERT_TRUE(shell::mkCfg());
    EXPECT_EQ(cfg(), "[Vars]\r\nCFG_IVA=N22\r\n");
}

TEST_F(SettingsFile, SavingTheFormChangesOnlyTheEditedLine) {
    // An older release's extra text key, a line of a type the program does
    // not know, another section and a comment: all must survive a save.
    const std::string before =
        "; impostazioni\r\n"
        "[Vars]\r\n"
        "CFG_DBUST=N3\r\n"
        "CFG_IVA=N20\r\n"
        "CFG_NOTE=Cprova\r\n"
        "CFG_NFATT=N150\r\n"
        "CFG_OLD=Zsconosciuto\r\n"
        "CFG_SBUST=N2\r\n"
        "CFG_SFATT=N4\r\n"
        "\r\n"
        "[Stampa]\r\n"
        "CFG_IVA=N99\r\n";
    setCfg(before);
    ASSERT_TRUE(shell::loadSettings());
    const Value* note = findSetting("CFG_NOTE");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(*note, Value(std::string("prova")));
    ASSERT_NE(findSetting("CFG_OLD"), nullptr);
    EXPECT_TRUE(isNil(*findSetting("CFG_OLD")));

    editAndSave("CFG_IVA", 22.0);

    std::string after = before;
    after.replace(after.find("CFG_IVA=N20"), 11, "CFG_IVA=N22");
    EXPECT_EQ(cfg(), after);
    // The form edited its own copy: the program goes on with the value
    // loaded at start until the next start.
    EXPECT_EQ(settingNumber("CFG_IVA"), 20);
}

TEST_F(SettingsFile, KeysMatchWithoutRegardToCaseAndBlanks) {
    setCfg("[VARS]\r\ncfg_iva = N 21 \r\nCFG_NFATT=N7");  // no line end on the last line
    ASSERT_TRUE(shell::loadSettings());
    EXPECT_EQ(settingNumber("CFG_IVA"), 21);
    EXPECT_EQ(settingNumber("CFG_NFATT"), 7);

    editAndSave("CFG_NFATT", 8.0);
    EXPECT_EQ(cfg(), "[VARS]\r\nCFG_IVA=N21\r\nCFG_NFATT=N8\r\n");
}

TEST_F(SettingsFile, NewKeysGoAtTheEndOfTheSection) {
    setCfg("[Vars]\r\nCFG_IVA=N20\r\n\r\n[Altro]\r\nX=1\r\n");
    declareSetting("CFG_SFATT");
    setSetting("CFG_SFATT", 2.0);
    ASSERT_TRUE(saveIni("CFG_SFATT", "DRAV.CFG"));
    EXPECT_EQ(cfg(), "[Vars]\r\nCFG_IVA=N20\r\nCFG_SFATT=N2\r\n\r\n[Altro]\r\nX=1\r\n");
}

TEST_F(SettingsFile, AFileWithoutTheSectionDeclaresNothing) {
    setCfg("[Altro]\r\nCFG_IVA=N20\r\n");
    ASSERT_TRUE(shell::loadSettings());
    EXPECT_EQ(findSetting("CFG_IVA"), nullptr);

    // A screen that needs the setting then fails through the error handler.
    test::ErrorCapture capture;
    EXPECT_THROW(settingNumber("CFG_IVA"), Abandoned);
    ASSERT_EQ(capture.errors.size(), 1u);
    EXPECT_EQ(capture.errors[0].operation, "CFG_IVA");

    // Saving makes the section after the others.
    setSetting("CFG_IVA", 22.0);
    ASSERT_TRUE(saveIni("CFG_*", "DRAV.CFG"));
    EXPECT_EQ(cfg(), "[Altro]\r\nCFG_IVA=N20\r\n[Vars]\r\nCFG_IVA=N22\r\n");
}

TEST_F(SettingsFile, AMissingFileIsEmptyAndMadeOnSave) {
    EXPECT_TRUE(getPvProfSection("Vars", "DRAV.CFG").empty());
    EXPECT_TRUE(restoreIni("DRAV.CFG"));
    setSetting("CFG_NOTE", std::string("ciao "));
    setSetting("CFG_ALTRO", 1.0);                // outside the mask
    ASSERT_TRUE(saveIni("CFG_N*", "drav.cfg"));  // the name is made capitals
    EXPECT_EQ(cfg(), "[Vars]\r\nCFG_NOTE=Cciao\r\n");
}

TEST_F(SettingsFile, AValueCannotSplitItsLine) {
    setCfg(test::kFirstStartCfg);
    editAndSave("CFG_NOTE", std::string("riga\r\nCFG_IVA=N99"));
    TEST_resetSettings();
    ASSERT_TRUE(shell::loadSettings());
    EXPECT_EQ(settingNumber("CFG_IVA"), 20);
    EXPECT_EQ(*findSetting("CFG_NOTE"), Value(std::string("riga  CFG_IVA=N99")));
}

TEST_F(SettingsFile, TheKeyListStopsAt16384BytesOfNames) {
    // 200 names of 99 characters: each takes 100 bytes, and one more byte
    // closes the list, so 163 fit.
    std::string text = "[Vars]\r\n";
    auto name = [](int i) { return "K" + std::string(94, 'X') + std::to_string(1000 + i); };
    for (int i = 0; i < 200; ++i) text += name(i) + "=N" + std::to_string(i) + "\r\n";
    setCfg(text);
    std::vector<std::string> keys = getPvProfSection("Vars", "DRAV.CFG");
    ASSERT_EQ(keys.size(), 163u);
    EXPECT_EQ(keys.front(), name(0));
    EXPECT_EQ(keys.back(), name(162));

    // The keys past the limit stay in the file when the others are saved.
    editAndSave(name(0), 5.0, "K*");
    std::string expected = text;
    expected.replace(expected.find("=N0\r\n"), 5, "=N5\r\n");
    EXPECT_EQ(cfg(), expected);
}

TEST_F(SettingsFile, AnUnwritableFolderAtFirstStartIsAnError) {
    auto folder = test::unwritableFolder(m_dir);
    if (!folder) GTEST_SKIP() << "no folder here refuses new files";
    test::ScopedChdir cd(*folder);
    test::ErrorCapture capture;
    EXPECT_THROW(shell::mkCfg(), Abandoned);
    ASSERT_EQ(capture.errors.size(), 1u);
    EXPECT_EQ(capture.errors[0].osCode, oscode::AccessDenied);
    EXPECT_EQ(capture.errors[0].fileName, *folder + "/DRAV.CFG");
    EXPECT_NE(::access((*folder + "/DRAV.CFG").c_str(), F_OK), 0);
}

TEST_F(SettingsFile, AnUnreadableFileIsAnError) {
    ASSERT_EQ(::mkdir(m_dir.file("DRAV.CFG").c_str(), 0755), 0);  // exists, cannot be read
    test::ErrorCapture capture;
    EXPECT_THROW(shell::loadSettings(), Abandoned);
    ASSERT_EQ(capture.errors.size(), 1u);
    EXPECT_EQ(capture.errors[0].fileName, m_dir.file("DRAV.CFG"));
}

TEST(SettingValue, Decoding) {
    test::SettingsState state;
    struct Case {
        const char* encoded;
        Value value;
    } cases[] = {
        {"N20", 20.0},
        {"N 21", 21.0},
        {"N", 0.0},
        {"N-2.5", -2.5},
        {"N12abc", 12.0},
        {"Cprova", std::string("prova")},
        {"C", std::string()},
        {"L.T.", true},
        {"L.T.x", true},
        {"L.F.", false},
        {"L.t.", false},
        {"LT", false},
        {"D05/03/26", Date::fromYmd(2026, 3, 5)},
        {"D05/03/85", Date::fromYmd(1985, 3, 5)},
        {"Zprova", Value()},
        {"n20", Value()},
        {"", Value()},
    };
    for (const Case& c : cases) EXPECT_EQ(decodeSettingValue(c.encoded), c.value) << c.encoded;
}

TEST(SettingValue, Encoding) {
    test::SettingsState state;
    struct Case {
        Value value;
        const char* encoded;
    } cases[] = {
        {20.0, "N20"},
        {0.0, "N0"},
        {-0.0, "N0"},
        {2.5, "N2.5"},
        {0.1 + 0.2, "N0.3"},
        {-3.0, "N-3"},
        {1234567890123.0, "N1234567890123"},
        {std::string("prova  "), "Cprova"},
        {true, "L.T."},
        {false, "L.F."},
        {Date::fromYmd(2026, 3, 5), "D05/03/26"},
        {Value(), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(encodeSettingValue(c.value), c.encoded) << c.encoded;
}

TEST(SettingsRegistry, PrivateSetsHideAndDisappear) {
    test::SettingsState state;
    declareSetting("cfg_iva");
    setSetting("CFG_IVA", 20.0);
    declareSetting("CFG_IVA");  // declaring again keeps the value
    EXPECT_EQ(settingNumber("Cfg_Iva"), 20);
    {
        SettingsScope outer;
        outer.declare("CFG_IVA");
        EXPECT_TRUE(isNil(*findSetting("CFG_IVA")));
        setSetting("CFG_IVA", 22.0);
        {
            SettingsScope inner;
            setSetting("CFG_TEMP", 1.0);  // not declared anywhere: made innermost
            auto visible = visibleSettings("CFG_");
            ASSERT_EQ(visible.size(), 2u);
            EXPECT_EQ(visible[0], (std::pair<std::string, Value>{"CFG_IVA", 22.0}));
            EXPECT_EQ(visible[1], (std::pair<std::string, Value>{"CFG_TEMP", 1.0}));
        }
        EXPECT_EQ(findSetting("CFG_TEMP"), nullptr);
        EXPECT_EQ(settingNumber("CFG_IVA"), 22);
    }
    EXPECT_EQ(settingNumber("CFG_IVA"), 20);

    test::ErrorCapture capture;
    setSetting("CFG_NOTE", std::string("testo"));
    EXPECT_THROW(settingNumber("CFG_NOTE"), Abandoned);  // not a number
    ASSERT_EQ(capture.errors.size(), 1u);
    EXPECT_EQ(capture.errors[0].operation, "CFG_NOTE");
}

}  // namespace
}  // namespace drav
