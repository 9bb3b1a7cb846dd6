// Dates, the code page and the message rules that everything else builds on.
#include "tests/support/ScriptedPort.h"
#include "util/Cp1252.h"
#include "util/Date.h"
#include "util/Messages.h"

#include <gtest/gtest.h>

namespace drav {
namespace {

TEST(Date, JulianDayAndFields) {
    Date d = Date::fromYmd(2000, 1, 1);
    EXPECT_EQ(d.julian(), 2451545);
    EXPECT_EQ(d.dtos(), "20000101");
    EXPECT_EQ(Date::fromJulian(2451545 + 60).dtos(), "20000301");  // 2000 is a leap year
    EXPECT_EQ(Date::fromYmd(2026, 3, 5).dow(), 5);                  // a Thursday
    EXPECT_TRUE(Date::fromYmd(2023, 2, 29).isEmpty());
    EXPECT_EQ(Date().dow(), 0);
    EXPECT_EQ(Date().dtos(), "        ");
}

TEST(Date, TextUsesTheTwoDigitYearWindow) {
    setDateFormat(DateFormat::TwoDigitYear);
    struct Case {
        const char* text;
        const char* dtos;
    } cases[] = {
        {"05/03/26", "20260305"}, {"05/03/85", "19850305"}, {"31/12/79", "20791231"},
        {"01/01/80", "19800101"}, {"  /  /  ", "        "}, {"31/04/26", "        "},
        {"05/03/2026", "20260305"},
    };
    for (const auto& c : cases) EXPECT_EQ(Date::fromText(c.text).dtos(), c.dtos) << c.text;
    EXPECT_EQ(Date::fromYmd(2026, 3, 5).toText(), "05/03/26");
    EXPECT_EQ(Date().toText(), "  /  /  ");
    setDateFormat(DateFormat::FourDigitYear);
    EXPECT_EQ(Date::fromYmd(2026, 3, 5).toText(), "05/03/2026");
}

TEST(Cp1252, RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(toCp1252(fromCp1252(all)), all);
    EXPECT_EQ(fromCp1252("Attivit\xE0"), QString::fromUtf8("Attività"));
    EXPECT_EQ(fromCp1252("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(toCp1252(QString::fromUtf8("ĉ")), "?");
}

TEST(Cp1252, O2AMapsOnlyTheSixDosLetters) {
    EXPECT_EQ(o2a(std::string("\x85\x8A\x82\x8D\x95\x97")), "\xE0\xE8\xE9\xEC\xF2\xF9");
    std::string others;
    for (int b = 0; b < 256; ++b)
        if (b != 133 && b != 138 && b != 130 && b != 141 && b != 149 && b != 151)
            others.push_back(static_cast<char>(b));
    EXPECT_EQ(o2a(others), others);
    EXPECT_EQ(o2a(fromCp1252("Citt\x85")), QString::fromUtf8("Città"));
}

TEST(Messages, LineBreaksAndModes) {
    test::ScopedScriptedPort port;
    msgInfo("Spegnere tutti i terminali.;;Continuo l'operazione?");
    ASSERT_EQ(port.log().messages.size(), 1u);
    EXPECT_EQ(port.log().messages[0].text,
              "Spegnere tutti i terminali.\r\n\r\nContinuo l'operazione?");
    EXPECT_EQ(port.log().messages[0].title, "Attenzione");
    EXPECT_EQ(port.log().beeps, 0);

    port.answer(2);
    EXPECT_FALSE(msgAsk("Confermi?", 2));
    port.answer(1);
    EXPECT_TRUE(msgAsk("Confermi?", 6));
    port.answer(7);
    EXPECT_EQ(msgYesNoCancel("Salvo?"), 7);
    EXPECT_EQ(port.log().beeps, 3);
}

TEST(Messages, SingleWaitBox) {
    test::ScopedScriptedPort port;
    EXPECT_FALSE(curMsg());
    waitClose();  // nothing open: nothing happens
    EXPECT_EQ(port.log().waitCloses, 0);

    waitMsg("Uno");
    EXPECT_EQ(curMsg(), QString("Uno"));
    waitMsg("Due");  // a new text without update is ignored
    EXPECT_EQ(curMsg(), QString("Uno"));
    waitUpdate("Tre");
    EXPECT_EQ(curMsg(), QString("Tre"));

    msgAsk("Domanda?");  // a question closes the wait box for good
    EXPECT_FALSE(curMsg());
    EXPECT_FALSE(port.log().waitOpen);

    waitUpdate("Quattro");  // update with no box open opens one
    EXPECT_TRUE(port.log().waitOpen);
    {
        ScopedWaitMsg busy("Il sistema \xC3\xA8 momentaneamente occupato...");
        EXPECT_EQ(curMsg(), QString::fromUtf8("Il sistema è momentaneamente occupato..."));
    }
    EXPECT_EQ(curMsg(), QString("Quattro"));
    waitClose();
    EXPECT_FALSE(curMsg());
}

TEST(Messages, PrintVariantCountsPages) {
    test::ScopedScriptedPort port;
    PopMsgArgs open;
    open.print = true;
    popMsg(open);
    waitPage();
    waitPage();
    EXPECT_EQ(curMsg(), QString("2"));
    waitClose();
    popMsg(open);
    waitPage();
    EXPECT_EQ(curMsg(), QString("1"));
    waitClose();
}

}  // namespace
}  // namespace drav
