#include "tests/clients/ClientsFixture.h"

#include "data/access/ScopedTable.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "util/Paths.h"
#include "util/Settings.h"

#include <sys/stat.h>

namespace drav::clients::test {

void makeSchemaTable(const std::string& table) {
    const data::TableDef* def = data::findTable(table);
    ASSERT_TRUE(data::TableFile::create(table + ".DBF", def->fields));
    data::dbOpen(true, table, {}, false);
    for (const std::string& tag : def->tags) {
        const data::TagDef* t = data::findTag(tag);
        data::ordCondSet(t->conditionText);
        data::ordBuild(t->name, t->keyExpression);
    }
    data::dbClose();
}

void prepareStation(const std::string& dataFolder, const std::string& instanceName) {
    const std::string instance = dataFolder + "/" + instanceName + "/";
    ::mkdir(instance.c_str(), 0700);
    setInstanceFolder(instance);
    data::TEST_setLockQuietPeriod(std::chrono::milliseconds(50));
    setDateFormat(DateFormat::TwoDigitYear);
    setPrintMargin(5);
}

Client card(const std::string& cliente, const std::string& ragsoc1) {
    Client c = newClient();
    c.cliente = padTo(cliente, 35);
    c.ragsoc[0] = padTo(ragsoc1.empty() ? cliente : ragsoc1, 35);
    return c;
}

ClientsTest::ClientsTest() : m_chdir(m_dir.path()), m_savedInstance(instanceFolder()) {
    prepareStation(m_dir.path(), "ISTANZA");
    m_quiet = data::TEST_setLockQuietPeriod(std::chrono::milliseconds(50));
    for (const char* t : {"CLIENTI", "ABBONAM", "ATTIVITA"}) makeSchemaTable(t);
}

ClientsTest::~ClientsTest() {
    data::closeAll();
    data::TEST_setLockQuietPeriod(m_quiet);
    setInstanceFolder(m_savedInstance);
    setDateFormat(DateFormat::FourDigitYear);
}

data::Table& ClientsTest::openClienti() {
    data::Table& t = data::dbOpen(true, "CLIENTI");
    data::ordAdd("CLIENTI");
    t.goTop();
    return t;
}

uint32_t ClientsTest::add(const Client& c) {
    data::Table* t = data::findAlias("CLIENTI");
    if (!t) t = &openClienti();
    EXPECT_EQ(saveClient(*t, c, std::nullopt), SaveOutcome::Saved) << c.cliente;
    return t->recno();
}

std::vector<std::string> ClientsTest::listed() {
    std::vector<std::string> out;
    data::Table& t = data::current();
    for (t.goTop(); !t.eof(); t.skip()) out.push_back(trimRight(t.text("CLIENTE")));
    return out;
}

void ClientsTest::addTicketBook(const std::string& codice, Date data, int residui) {
    data::ScopedTable abbonam("ABBONAM");
    data::ordAdd("ABBONAM");
    data::dbApp();
    abbonam->put("CLIENTE", codice);
    abbonam->put("DATA", data);
    abbonam->put("TAGLIANDI", 10.0);
    abbonam->put("RESIDUI", double(residui));
    abbonam->commit();
    abbonam->unlock();
}

std::vector<std::string> ClientsTest::ticketBookOwners() {
    std::vector<std::string> out;
    data::ScopedTable abbonam("ABBONAM");
    data::ordAdd("ABBONAM");
    for (abbonam->goTop(); !abbonam->eof(); abbonam->skip())
        out.push_back(abbonam->text("CLIENTE"));
    return out;
}

}  // namespace drav::clients::test
