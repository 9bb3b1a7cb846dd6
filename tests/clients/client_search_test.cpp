// The client search: each non-empty input one condition, joined with AND,
// texts contained without regard to case, coded fields equal over their
// whole width, typed characters matched literally.
#include "tests/clients/ClientsFixture.h"

#include "data/access/TableAccess.h"

namespace drav::clients::test {
namespace {

class Search : public ClientsTest {
protected:
    Search() {
        Client a = card("Rossi", "Rossi Mario srl");
        a.indirizzo = padTo("Via Roma 1", 35);
        a.citta = padTo("Milano", 35);
        a.cap = "20100";
        a.provincia = "MI";
        a.telefono = padTo("02 123456", 45);
        a.fax = padTo("02 999", 13);
        a.partiva = "12345678903";
        a.codfisc = "RSSMRA80A01F205X";
        a.attivita = padTo("EDILIZIA", 20);
        a.note = "Cliente storico\r\npaga a fine mese";
        add(a);

        Client b = card("Bianchi", "Bianchi & C. [50%]");
        b.ragsoc[1] = padTo("Il \"Corriere\" *", 35);
        b.indirizzo = padTo("Corso Torino 8", 35);
        b.citta = padTo("Torino", 35);
        b.cap = "10100";
        b.provincia = "TO";
        b.attivita = padTo("TRASPORTI", 20);
        add(b);

        Client c = card("verdi", "Verdi spa");
        c.indirizzo = padTo("Via Milano 3", 35);
        c.citta = padTo("Monza", 35);
        c.cap = "20900";
        c.provincia = "MI";
        c.attivita = padTo("EDILIZIA SPECIALE", 20);
        add(c);
    }
};

using Names = std::vector<std::string>;

TEST_F(Search, ConditionsFindTheirClients) {
    struct Case {
        const char* what;
        SearchInput input;
        Names found;
    } cases[] = {
        {"identifier, any case", {.cliente = "ross"}, {"Rossi"}},
        {"company name line", {.cliente = " mario "}, {"Rossi"}},
        {"brackets and percent literally", {.cliente = "[50%]"}, {"Bianchi"}},
        {"quotes and star literally", {.cliente = "\"corriere\" *"}, {"Bianchi"}},
        {"a pattern is no wildcard", {.cliente = "r*i"}, {}},
        {"street", {.indirizzo = "milano"}, {"verdi"}},
        {"town, not the street", {.citta = "MIL"}, {"Rossi"}},
        {"province", {.provincia = "MI"}, {"Rossi", "verdi"}},
        {"province typed in small letters", {.provincia = "mi"}, {"Rossi", "verdi"}},
        {"whole CAP", {.cap = "20100"}, {"Rossi"}},
        {"CAP of three digits", {.cap = "201"}, {}},
        {"whole fiscal code", {.codfisc = "RSSMRA80A01F205X"}, {"Rossi"}},
        {"part of the fiscal code", {.codfisc = "RSSMRA80"}, {}},
        {"whole VAT number", {.partiva = "12345678903"}, {"Rossi"}},
        {"activity is equal, not contained", {.attivita = "EDILIZIA"}, {"Rossi"}},
        {"telephone", {.telefono = "123"}, {"Rossi"}},
        {"fax", {.fax = "999"}, {"Rossi"}},
        {"notes, second line", {.note = "FINE MESE"}, {"Rossi"}},
        {"conditions joined with AND", {.citta = "monza", .provincia = "MI"}, {"verdi"}},
        {"AND with nothing in common", {.citta = "torino", .provincia = "MI"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(applySearch(c.input));
        EXPECT_EQ(listed(), c.found);
        EXPECT_EQ(data::current().totRec(), 3u);  // the table still counts every client
    }
}

// Empty inputs add nothing: all blank leaves the list as it was, an earlier
// search included; "Tutti" (dbClearView) lists everybody again.
TEST_F(Search, EmptyInputsChangeNothing) {
    ASSERT_TRUE(applySearch({.provincia = "TO"}));
    ASSERT_EQ(listed(), Names{"Bianchi"});
    SearchInput blanks{.cliente = padTo("", 35), .cap = "     ", .provincia = "  "};
    EXPECT_FALSE(searchCondition(blanks));
    EXPECT_FALSE(applySearch(blanks));
    EXPECT_EQ(listed(), Names{"Bianchi"});
    data::dbClearView();
    EXPECT_EQ(listed(), (Names{"Bianchi", "Rossi", "verdi"}));
}

// A client saved while a search is in force leaves the list when it no
// longer meets it, and the save still finds duplicates outside the view.
TEST_F(Search, SavesUnderASearch) {
    data::Table& t = data::current();
    ASSERT_TRUE(applySearch({.provincia = "MI"}));
    t.goTop();
    const uint32_t rossi = t.recno();
    Client moved = readClient(t);
    moved.provincia = "TO";
    ASSERT_EQ(saveClient(t, moved, rossi), SaveOutcome::Saved);
    EXPECT_EQ(listed(), Names{"verdi"});
    EXPECT_EQ(saveClient(t, card("BIANCHI"), std::nullopt), SaveOutcome::Duplicate);
    EXPECT_EQ(listed(), Names{"verdi"});
}

}  // namespace
}  // namespace drav::clients::test
