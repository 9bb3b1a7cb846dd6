// The texts of the client's prints and the settings they read: the
// envelope's address block and margins, the printed card's lines, the memo
// wrap, and the activity list of the cards.
#include "tests/clients/ClientsFixture.h"

#include "clients/Activities.h"
#include "clients/ClientPrints.h"
#include "data/access/ScopedTable.h"
#include "tests/support/TempDir.h"

namespace drav::clients::test {
namespace {

using PrintTexts = ClientsTest;

TEST(Envelope, SkipsEmptyCompanyLines) {
    Client c = card("rossi", "Rossi Mario srl");
    c.indirizzo = padTo("Via Roma 1", 35);
    c.citta = padTo("  Milano", 35);
    c.cap = "20100";
    c.provincia = "MI";
    EXPECT_EQ(envelopeLines(c),
              (QStringList{"Spett.le", "Rossi Mario srl", "Via Roma 1", "20100 Milano MI"}));
    c.ragsoc[2] = padTo("presso Bianchi", 35);
    c.ragsoc[4] = padTo("Ufficio acquisti", 35);
    EXPECT_EQ(envelopeLines(c), (QStringList{"Spett.le", "Rossi Mario srl", "presso Bianchi",
                                             "Ufficio acquisti", "Via Roma 1", "20100 Milano MI"}));
}

TEST_F(PrintTexts, EnvelopeMarginsFromTheConfigurationFile) {
    EXPECT_FALSE(envelopeMargins()) << "no file, nothing printed";
    struct Case {
        const char* file;
        int column, skip;
    } cases[] = {
        {"[Vars]\r\nCFG_DBUST=N40\r\nCFG_SBUST=N3\r\n", 40, 3},
        {"[Vars]\r\nCFG_IVA=N20\r\n", 0, 0},
        {"[Vars]\r\nCFG_DBUST=N 12\r\nCFG_SBUST=C5\r\n", 12, 0},
        {"[Vars]\r\nCFG_DBUST=N-4\r\nCFG_SBUST=N5000\r\n", 0, 999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        drav::test::writeFile("DRAV.CFG", c.file);
        std::optional<EnvelopeMargins> m = envelopeMargins();
        ASSERT_TRUE(m);
        EXPECT_EQ(m->column, c.column);
        EXPECT_EQ(m->skip, c.skip);
    }
}

TEST(CardLines, SameNumberOfLinesWhateverTheMemos) {
    const Date today = Date::fromYmd(2026, 3, 5);
    Client plain = card("rossi");
    plain.costoclie = 12.5;
    plain.costopony = 0;
    plain.fattura = false;
    Client full = plain;
    for (int i = 0; i < 40; ++i) full.note += "parola" + std::to_string(i) + " lunga\r\n";
    full.fatturaz = std::string(2000, 'x');

    const std::vector<GridLine> a = cardLines(plain, today);
    const std::vector<GridLine> b = cardLines(full, today);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(a.size(), 52u);
    EXPECT_EQ(a.front(), (GridLine{"STAMPA SCHEDA CLIENTE", 37, "05/03/26"}));

    auto valueOf = [&](const QString& label) {
        for (const GridLine& l : a)
            if (l.text == label) return l.value;
        return QStringLiteral("<missing>");
    };
    EXPECT_EQ(valueOf("IDENTIFICATIVO:"), "rossi");
    EXPECT_EQ(valueOf("FATTURA:"), "NO");
    EXPECT_EQ(valueOf("BUONI CLIENTE:"), "12,50");
    EXPECT_EQ(valueOf("BUONI PONY:"), "0,00");
    EXPECT_EQ(valueOf("FISSO:"), "<missing>");

    // The memo blocks: ten fixed-pitch lines each, the rest not printed.
    int mono = 0;
    for (const GridLine& l : b) mono += l.mono;
    EXPECT_EQ(mono, 20);
    EXPECT_EQ(b.back().text, "parola9 lunga");
}

TEST(CardLines, MemoWrap) {
    struct Case {
        const char* what;
        QString text;
        int width;
        QStringList lines;
    } cases[] = {
        {"short text", "una riga", 10, {"una riga", "", ""}},
        {"at blanks", "aaa bbb ccc ddd", 7, {"aaa bbb", "ccc ddd", ""}},
        {"own line breaks", "uno\r\n\r\ndue", 10, {"uno", "", "due"}},
        {"a word longer than the line is cut", "abcdefghij xy", 4, {"abcd", "efgh", "ij"}},
        {"lines beyond the count dropped", "a\r\nb\r\nc\r\nd", 10, {"a", "b", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(wrapMemo(c.text, c.width, 3), c.lines);
    }
}

TEST_F(PrintTexts, ActivityListInTagOrderWithoutBlanks) {
    {
        data::ScopedTable t("ATTIVITA");
        data::ordAdd("ATTIVITA");
        for (const char* a : {"TRASPORTI", "", "edilizia", "AVVOCATI"}) {
            data::dbApp();
            t->put("ATTIVITA", std::string(a));
            t->commit();
            t->unlock();
        }
    }
    data::Table& clienti = openClienti();
    EXPECT_EQ(aAttiv(), (QStringList{"AVVOCATI", "edilizia", "TRASPORTI"}));
    EXPECT_EQ(&data::current(), &clienti);
}

}  // namespace
}  // namespace drav::clients::test
