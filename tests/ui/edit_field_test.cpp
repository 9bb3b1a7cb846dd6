// The edit field typed key by key under each edit mask the screens use.
#include "tests/support/ScriptedPort.h"
#include "tests/ui/FormFixture.h"
#include "ui/TButton.h"
#include "ui/TGet.h"
#include "util/Cp1252.h"

#include <gtest/gtest.h>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

namespace drav::ui {
namespace {

using test::focused;
using test::typeKeys;

class EditField : public ::testing::Test {
protected:
    void SetUp() override {
        setDateFormat(DateFormat::TwoDigitYear);
        test::registerTestTemplates();
    }
    void TearDown() override { setDateFormat(DateFormat::FourDigitYear); }

    // Field 101 bound to `value`, field 102 to take the focus away.
    TGet* open(Value& value, TGetArgs args = {}) {
        form = std::make_unique<TDialog>(QString(), test::kCard);
        get = new TGet(101, bindVar(value), *form, std::move(args));
        new TGet(102, bindVar(other), *form);
        EXPECT_TRUE(test::showForm(*form));
        get->setFocus();
        return get;
    }
    QString shown() const { return get->edit()->text(); }
    void leave() { form->findChild<QLineEdit*>(QStringLiteral("102"))->setFocus(); }

    std::unique_ptr<TDialog> form;
    TGet* get = nullptr;
    Value other = std::string(10, ' ');
    test::ScopedScriptedPort port;
};

struct MaskCase {
    const char* mask;
    Value initial;
    const char* shownBefore;  // without the focus
    const char* keys;
    const char* typed;  // on screen after the keys
    Value stored;       // the bound value once the field is left
    const char* shownAfter;
};

// Text, number and date masks of the screens, typed from the start (the
// whole text is selected when the field gets the focus).
TEST_F(EditField, MasksTypedKeyByKey) {
    const MaskCase cases[] = {
        {"@!", std::string("          "), "", "rossi x", "ROSSI X", std::string("ROSSI X   "),
         "ROSSI X"},
        {"@! AA", std::string("  "), "", "m1i", "MI", std::string("MI"), "MI"},
        {"@9", std::string("     "), "", "1a2b3c", "123", std::string("123  "), "123"},
        {"99999999999", std::string(11, ' '), "", "0123x4", "01234", std::string("01234      "),
         "01234"},
        {"9", 0.0, "0", "78", "7", 7.0, "7"},
        {"99", 0.0, "0", "123", "12", 12.0, "12"},
        {"999", 5.0, "5", "a1-00", "100", 100.0, "100"},
        {"99999", 0.0, "0", "x12345678", "12345", 12345.0, "12345"},
        {"99:99", std::string("  :  "), "  :  ", "1a230", "12:30", std::string("12:30"), "12:30"},
        {"99 %", 20.0, "20 %", "-22", "22", 22.0, "22 %"},
        {"@ZE 99.99", 0.0, "", "3.5", "3,5", 3.5, "3,50"},
        {"@ZE 9,999.99", 1234.5, "1.234,50", "2.5", "2,5", 2.5, "2,50"},
        {"@E 99,999.99", 0.0, "0,00", "1.2.3", "1,23", 1.23, "1,23"},
        {"@Z 99999", 0.0, "", "42", "42", 42.0, "42"},
        {"@ZE 99999", 12345.0, "12345", "-", "12345", 12345.0, "12345"},
        {"@ZE 99999", 0.0, "", "12,5", "125", 125.0, "125"},  // no decimals to type
        {"99 %", 20.0, "20 %", "2.5", "25", 25.0, "25 %"},
        {"@ZE 999", 0.0, "", "7", "7", 7.0, "7"},
        {"", Date(), "  /  /  ", "01a0226", "01/02/26", Date::fromYmd(2026, 2, 1), "01/02/26"},
    };
    for (const MaskCase& c : cases) {
        SCOPED_TRACE(std::string("mask \"") + c.mask + "\" keys \"" + c.keys + "\"");
        Value value = c.initial;
        open(value, {.mask = QString::fromLatin1(c.mask)});
        leave();
        EXPECT_EQ(shown(), QString::fromLatin1(c.shownBefore));
        get->setFocus();
        typeKeys(QString::fromLatin1(c.keys));
        EXPECT_EQ(shown(), QString::fromLatin1(c.typed));
        leave();
        EXPECT_EQ(value, c.stored);
        EXPECT_EQ(shown(), QString::fromLatin1(c.shownAfter));
        form.reset();
    }
}

// Zero shows blank off focus and "0,00" on focus; thousands separators are
// gone while editing and back afterwards.
TEST_F(EditField, NumberIsEditedWithoutSeparatorsAndZeroShowsOnFocus) {
    Value amount = 0.0;
    open(amount, {.mask = "@ZE 99,999.99"});
    EXPECT_EQ(shown(), QStringLiteral("0,00"));
    EXPECT_EQ(get->edit()->selectedText(), QStringLiteral("0,00"));
    EXPECT_EQ(get->maxLength(), 8);  // "99999.99" without the separator
    leave();
    EXPECT_EQ(shown(), QString());

    amount = 12345.5;
    get->refresh();
    EXPECT_EQ(shown(), QStringLiteral("12.345,50"));
    get->setFocus();
    EXPECT_EQ(shown(), QStringLiteral("12345,50"));
    typeKeys("{END}{BS}{BS}{BS}.25");  // "12345," + "25", "." types ","
    EXPECT_EQ(shown(), QStringLiteral("12345,25"));
    typeKeys("9");  // full
    EXPECT_EQ(shown(), QStringLiteral("12345,25"));
    leave();
    EXPECT_EQ(amount, Value(12345.25));
    EXPECT_EQ(shown(), QStringLiteral("12.345,25"));
}

// A number that does not fit the mask stays on screen as typed, and the
// close protocol can tell.
TEST_F(EditField, NumberTooBigStaysAsTyped) {
    Value amount = 0.0;
    open(amount, {.mask = "@ZE 9,999.99"});
    typeKeys("12345");
    leave();
    EXPECT_EQ(amount, Value(12345.0));
    EXPECT_EQ(shown(), QStringLiteral("12345"));
    EXPECT_TRUE(get->numberTooBig());
}

// Overtype with fixed characters: the caret skips them going forward,
// Backspace steps back over them, Delete blanks without moving.
TEST_F(EditField, TimeFieldOvertypesAroundTheColon) {
    Value time = std::string("12:30");
    open(time, {.mask = "99:99"});
    typeKeys("{HOME}{RIGHT}{RIGHT}4");  // caret before ":" lands after it
    EXPECT_EQ(shown(), QStringLiteral("12:40"));
    EXPECT_EQ(get->edit()->cursorPosition(), 4);
    typeKeys("{END}{BS}{BS}");
    EXPECT_EQ(shown(), QStringLiteral("12:  "));
    typeKeys("{BS}");  // over ":" to the "2"
    EXPECT_EQ(shown(), QStringLiteral("1 :  "));
    EXPECT_EQ(get->edit()->cursorPosition(), 1);
    typeKeys("{HOME}{DEL}");
    EXPECT_EQ(shown(), QStringLiteral("  :  "));
    EXPECT_EQ(get->edit()->cursorPosition(), 0);
    typeKeys("{HOME}{BS}");  // at the start: nothing
    EXPECT_EQ(shown(), QStringLiteral("  :  "));
    typeKeys("0915x");
    EXPECT_EQ(shown(), QStringLiteral("09:15"));
    typeKeys("7");  // no room left
    EXPECT_EQ(shown(), QStringLiteral("09:15"));
    leave();
    EXPECT_EQ(time, Value(std::string("09:15")));
}

TEST_F(EditField, InvalidDateStaysAsTypedAndStoresTheEmptyDate) {
    Value date = Date::fromYmd(2026, 3, 5);
    open(date);
    EXPECT_EQ(shown(), QStringLiteral("05/03/26"));
    typeKeys("310226");
    leave();
    EXPECT_EQ(date, Value(Date()));
    EXPECT_EQ(shown(), QStringLiteral("31/02/26"));
    EXPECT_TRUE(get->hasInvalidDate());
    get->setFocus();
    typeKeys("{DEL}");  // the whole text selected: blanks, slashes stay
    leave();
    EXPECT_EQ(shown(), QStringLiteral("  /  /  "));
    EXPECT_FALSE(get->hasInvalidDate());
}

TEST_F(EditField, LogicalTakesOnlyTOrF) {
    Value flag = false;
    open(flag);
    EXPECT_EQ(shown(), QStringLiteral("F"));
    typeKeys("xt");
    EXPECT_EQ(shown(), QStringLiteral("T"));
    leave();
    EXPECT_EQ(flag, Value(true));
}

// A read-only field takes no typing; with lDelete, Delete or Backspace
// empties it and its code.
TEST_F(EditField, ReadOnlyFieldEmptiedWithItsCode) {
    for (const char* key : {"{DEL}", "{BS}"}) {
        SCOPED_TRACE(key);
        Value client = std::string("ROSSI     ");
        int changes = 0;
        open(client, {.change = [&changes] { ++changes; },
                      .readOnly = true,
                      .code = Value(std::string("     12"))});
        EXPECT_EQ(get->cCode, Value(std::string("     12")));
        typeKeys("abc{DEL}{BS}");
        EXPECT_EQ(shown(), QStringLiteral("ROSSI"));
        EXPECT_EQ(changes, 0);
        get->lDelete = true;
        typeKeys(key);
        EXPECT_EQ(client, Value(std::string(10, ' ')));
        EXPECT_EQ(get->cCode, Value(std::string()));
        EXPECT_EQ(changes, 1);
        form.reset();
    }
}

TEST_F(EditField, InitialCodeKeptOnlyForAValue) {
    Value empty = std::string("     ");
    open(empty, {.code = Value(std::string("7"))});
    EXPECT_EQ(get->cCode, Value(std::string()));
}

// The change handler runs after every accepted key, not for refused ones;
// bKeyDown sees every key first and may take it.
TEST_F(EditField, ChangeHandlerAndKeyDown) {
    Value time = std::string("  :  ");
    int changes = 0;
    std::vector<int> keys;
    open(time, {.mask = "99:99", .change = [&changes] { ++changes; }});
    get->bKeyDown = [&keys](int key, Qt::KeyboardModifiers) {
        keys.push_back(key);
        return key == Qt::Key_F4;
    };
    typeKeys("1x2");
    QTest::keyClick(focused(), Qt::Key_F4);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(keys, (std::vector<int>{Qt::Key_1, Qt::Key_X, Qt::Key_2, Qt::Key_F4}));
    EXPECT_EQ(shown(), QStringLiteral("12:  "));
}

// Paste goes through the field's rules and only into plain text fields.
TEST_F(EditField, ClipboardFollowsTheRules) {
    Value name = std::string("      ");
    open(name, {.mask = "@!"});
    QGuiApplication::clipboard()->setText(QStringLiteral("via roma\n12"));
    QTest::keyClick(focused(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(shown(), QStringLiteral("VIA RO"));  // cut at the field length
    QTest::keyClick(focused(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(shown(), QString());
    form.reset();

    Value time = std::string("  :  ");
    open(time, {.mask = "99:99"});
    QGuiApplication::clipboard()->setText(QStringLiteral("1234"));
    QTest::keyClick(focused(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(shown(), QStringLiteral("  :  "));
}

TEST_F(EditField, PasswordShowsBullets) {
    Value secret = std::string("    ");
    open(secret, {.password = true});
    typeKeys("ab1");
    EXPECT_EQ(shown(), QString(3, QChar(0x2022)));
    leave();
    EXPECT_EQ(secret, Value(std::string("ab1 ")));
}

}  // namespace
}  // namespace drav::ui
