// The client register's rules without a window: codes, the duplicate check,
// the save of an edited client, the delete with the ticket books and the
// run-card look-ups.
#include "tests/clients/ClientsFixture.h"

#include "data/access/ScopedTable.h"
#include "data/dbf/TableFile.h"

#include <cstdio>

namespace drav::clients::test {
namespace {

using Rules = ClientsTest;

std::string code(const data::Table& t) {
    return t.text("CODICE");
}

// Codes grow with each client; deleting the client with the highest code
// gives that code again, deleting one in the middle does not.
TEST_F(Rules, CodesAfterDeletes) {
    data::Table& t = openClienti();
    std::vector<uint32_t> recs;
    for (const char* name : {"uno", "due", "tre", "quattro", "cinque"})
        recs.push_back(add(card(name)));
    t.goTo(recs.front());
    EXPECT_EQ(code(t), "         1");
    t.goTo(recs.back());
    EXPECT_EQ(code(t), "         5");

    ASSERT_TRUE(deleteClient(t));  // "cinque", code 5
    add(card("sei"));
    EXPECT_EQ(code(t), "         5");

    t.goTo(recs[2]);  // "tre", code 3
    ASSERT_TRUE(deleteClient(t));
    add(card("sette"));
    EXPECT_EQ(code(t), "         6");
    EXPECT_EQ(t.totRec(), 5u);
}

// The identifier is unique whatever the letter case; the client's own
// record counts, so a change of case only is refused, and an edit that
// keeps the identifier never looks for duplicates (its own record would
// refuse it).
TEST_F(Rules, DuplicateIdentifiers) {
    data::Table& t = openClienti();
    const uint32_t rossi = add(card("rossi", "Rossi Mario"));
    add(card("Bianchi"));

    struct Case {
        const char* what;
        std::optional<uint32_t> editing;
        const char* cliente;
        SaveOutcome outcome;
    } cases[] = {
        {"new client, other case", std::nullopt, "ROSSI", SaveOutcome::Duplicate},
        {"new client, trailing blanks", std::nullopt, "rossi   ", SaveOutcome::Duplicate},
        {"rename to case only", rossi, "Rossi", SaveOutcome::Duplicate},
        {"rename onto another client", rossi, "bianchi", SaveOutcome::Duplicate},
        {"edit keeping the identifier", rossi, "rossi", SaveOutcome::Saved},
        {"rename to a free identifier", rossi, "rossi & figli", SaveOutcome::Saved},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        t.goTo(rossi);
        Client edited = c.editing ? readClient(t) : card(c.cliente);
        edited.cliente = padTo(c.cliente, 35);
        edited.ragsoc[1] = padTo(c.what, 35);
        const size_t shown = messages().size();
        EXPECT_EQ(saveClient(t, edited, c.editing), c.outcome);
        EXPECT_FALSE(t.hasFileLock());
        if (c.outcome == SaveOutcome::Duplicate) {
            ASSERT_EQ(messages().size(), shown + 1);
            EXPECT_EQ(messages().back().text, QStringLiteral("Cliente già presente."));
            EXPECT_EQ(messages().back().mode, 1);
        } else {
            EXPECT_EQ(messages().size(), shown);
            EXPECT_EQ(trimRight(t.text("RAGSOC2")), c.what);
        }
    }
    EXPECT_EQ(listed(), (std::vector<std::string>{"Bianchi", "rossi & figli"}));
}

// An edit saves every field of the card, keeps the code, and brings back a
// client that another station deleted while the card was open.
TEST_F(Rules, EditRestoresAClientDeletedMeanwhile) {
    data::Table& t = openClienti();
    add(card("primo"));
    const uint32_t rec = add(card("secondo"));
    Client edited = readClient(t);
    edited.indirizzo = padTo("Via Larga 3", 35);
    edited.costoclie = 12.5;
    edited.note = "riga uno\r\nriga due";
    {
        data::Table& other = data::dbOpen(true, "CLIENTI", "ALTRA");
        other.goTo(rec);
        data::dbDel();
    }
    data::select(t.slot());
    ASSERT_EQ(listed(), std::vector<std::string>{"primo"});

    ASSERT_EQ(saveClient(t, edited, rec), SaveOutcome::Saved);
    EXPECT_EQ(listed(), (std::vector<std::string>{"primo", "secondo"}));
    t.goTo(rec);
    EXPECT_FALSE(t.deleted());
    EXPECT_EQ(readClient(t), edited);
    EXPECT_EQ(code(t), "         2");
}

// A client deleted meanwhile whose identifier another station has filed
// again since is not brought back: that would make two clients of one
// identifier.
TEST_F(Rules, EditDoesNotRestoreOntoAnIdentifierFiledAgain) {
    data::Table& t = openClienti();
    const uint32_t rec = add(card("secondo"));
    const Client edited = readClient(t);
    {
        data::Table& other = data::dbOpen(true, "CLIENTI", "ALTRA");
        other.goTo(rec);
        data::dbDel();
        data::dbClose();
    }
    data::select(t.slot());
    add(card("SECONDO"));

    EXPECT_EQ(saveClient(t, edited, rec), SaveOutcome::Duplicate);
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages().back().text, QStringLiteral("Cliente già presente."));
    EXPECT_EQ(listed(), std::vector<std::string>{"SECONDO"});
    t.goTo(rec);
    EXPECT_TRUE(t.deleted());
}

// The ticket books of the deleted client go with it, the other clients'
// stay; the list moves to the next client.
TEST_F(Rules, DeleteTakesTheTicketBooks) {
    data::Table& t = openClienti();
    add(card("alfa"));
    const uint32_t beta = add(card("beta"));
    add(card("gamma"));
    for (int i = 1; i <= 3; ++i) addTicketBook("         2", Date::fromYmd(2026, 1, i), 10);
    addTicketBook("         1", Date::fromYmd(2026, 1, 1), 5);
    addTicketBook("        21", Date::fromYmd(2026, 1, 1), 5);  // shares no prefix of the key

    t.goTo(beta);
    ASSERT_TRUE(deleteClient(t));
    EXPECT_EQ(trimRight(t.text("CLIENTE")), "gamma");
    EXPECT_EQ(listed(), (std::vector<std::string>{"alfa", "gamma"}));
    EXPECT_EQ(ticketBookOwners(), (std::vector<std::string>{"         1", "        21"}));
    EXPECT_EQ(data::current().alias(), "CLIENTI");
    EXPECT_FALSE(t.hasFileLock());
}

// When the ticket books cannot be deleted (their table is unreadable) the
// client stays, and nothing is left locked or open.
TEST_F(Rules, AFailedTicketBookDeleteKeepsTheClient) {
    data::Table& t = openClienti();
    add(card("alfa"));
    ASSERT_EQ(std::remove("ABBONAM.NTX"), 0);
    t.goTop();
    EXPECT_FALSE(deleteClient(t));
    EXPECT_EQ(listed(), std::vector<std::string>{"alfa"});
    EXPECT_EQ(data::usedSlots().size(), 1u);
    EXPECT_EQ(&data::current(), &t);
    EXPECT_FALSE(t.hasFileLock());
}

// The look-ups of the run cards: the identifier with its trailing blanks
// in any case; blanks for an unknown client; the caller's table stays
// current.
TEST_F(Rules, RunCardLookUps) {
    Client c = card("Rossi");
    c.indirizzo = padTo("Via Roma 1", 35);
    c.citta = padTo("Milano", 35);
    add(c);
    data::Table& t = data::current();
    EXPECT_EQ(indMitt(padTo("ROSSI", 35)), padTo("Via Roma 1", 35));
    EXPECT_EQ(citMitt("rossi"), padTo("Milano", 35));
    EXPECT_EQ(indMitt("Verdi"), padTo("", 35));
    EXPECT_EQ(&data::current(), &t);
    EXPECT_EQ(data::usedSlots().size(), 1u);
}

}  // namespace
}  // namespace drav::clients::test
