// What the client tests share: a data folder made current (the program's
// data folder is its current folder) with the program's own CLIENTI,
// ABBONAM and ATTIVITA tables and their tags, an instance folder for the
// search views and page files, a scripted user port, short lock waits, and
// helpers that file clients through the business rules.
#pragma once

#include "clients/ClientRules.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QString>

#include <chrono>
#include <string>
#include <vector>

namespace drav::clients::test {

// Creates the schema's table in the current folder, empty, with its tags.
void makeSchemaTable(const std::string& table);
// The data folder of a station: the current folder, its own instance
// folder under it, short lock waits.
void prepareStation(const std::string& dataFolder, const std::string& instanceName);

// A card with the identifier and company name filled in.
Client card(const std::string& cliente, const std::string& ragsoc1 = {});

class ClientsTest : public ::testing::Test {
protected:
    ClientsTest();
    ~ClientsTest() override;

    // Opens CLIENTI shared in a new slot with tag CLIENTI, as the screen does.
    data::Table& openClienti();
    // Saves a new client through the rules; the record number of the new
    // client.
    uint32_t add(const Client& c);
    // The identifiers (trimmed) of the current table in its order.
    static std::vector<std::string> listed();
    // Appends a ticket book of the client code to ABBONAM.
    void addTicketBook(const std::string& codice, Date data, int residui);
    // The live ticket books of ABBONAM, as their client codes.
    std::vector<std::string> ticketBookOwners();
    const std::vector<drav::test::ShownMessage>& messages() { return m_port.log().messages; }
    // The answer to the next question (1 OK, 2 Cancel, 6 Yes, 7 No).
    void answer(int button) { m_port.answer(button); }

    drav::test::TempDir m_dir;

private:
    drav::test::ScopedChdir m_chdir;
    drav::test::ScopedScriptedPort m_port;
    std::string m_savedInstance;
    std::chrono::milliseconds m_quiet;
};

}  // namespace drav::clients::test
