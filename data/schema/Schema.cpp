// The schema tables: tables, then tags, then the lookups.
#include "data/schema/Schema.h"

#include <cctype>

namespace drav::data {
namespace {

constexpr std::string_view kNotDeleted = "!DELETED()";

FieldDef c(const char* name, int len) {
    return {name, 'C', len, 0};
}
FieldDef n(const char* name, int len, int dec = 0) {
    return {name, 'N', len, dec};
}
FieldDef d(const char* name) {
    return {name, 'D', 8, 0};
}
FieldDef l(const char* name) {
    return {name, 'L', 1, 0};
}
FieldDef m(const char* name) {
    return {name, 'M', 10, 0};
}

std::vector<TableDef> buildTables() {
    std::vector<TableDef> t;
    t.push_back({"CLIENTI",
                 {c("CODICE", 10),
                  c("CLIENTE", 35),
                  c("RAGSOC1", 35),
                  c("RAGSOC2", 35),
                  c("RAGSOC3", 35),
                  c("RAGSOC4", 35),
                  c("RAGSOC5", 35),
                  c("INDIRIZZO", 35),
                  c("CITTA", 35),
                  c("CAP", 5),
                  c("PROVINCIA", 2),
                  c("TELEFONO", 45),
                  c("FAX", 13),
                  c("PARTIVA", 11),
                  c("CODFISC", 16),
                  c("ATTIVITA", 20),
                  l("FATTURA"),
                  n("COSTOCLIE", 5, 2),
                  n("COSTOPONY", 4, 2),
                  c("PAGAMENTO", 25),
                  m("FATTURAZ"),
                  m("NOTE"),
                  l("FISSO")},
                 {"CLIENTI"}});
    t.push_back({"ABBONAM",
                 {c("CLIENTE", 10), d("DATA"), n("TAGLIANDI", 3), c("DALNUM", 6), c("ALNUM", 6),
                  n("RESIDUI", 3), l("OMAGGIO")},
                 {"ABBONAM"}});
    t.push_back({"DESTINAT",
                 {c("CLIENTE", 35), c("INDIRIZZO", 35), c("CITTA", 35), c("CAP", 5),
                  c("TELEFONO", 13), c("ATTIVITA", 20)},
                 {"DESTINAT"}});
    t.push_back({"PONY",
                 {c("NOMINATIVO", 35), c("SIGLA", 4), c("INDIRIZZO", 35), c("CITTA", 35),
                  c("CAP", 5), c("TELEFONO", 13), c("CELLULARE", 13), c("CODFISC", 16),
                  c("PARTIVA", 11), c("DOCUMENTO", 30), n("COSTOPONY", 4, 2)},
                 {"PONY", "SIGLE"}});
    t.push_back(
        {"ACCONTI", {c("PONY", 4), d("DATA"), n("IMPORTO", 7, 2), c("NOTE", 30)}, {"ACCONTI"}});
    t.push_back({"CORSE",
                 {n("NUMERO", 3),
                  d("DATA"),
                  c("ORA", 5),
                  c("CLIENTE", 35),
                  c("MITTENTE", 35),
                  c("INDMITT", 35),
                  c("CITMITT", 35),
                  m("NOTMITT"),
                  c("DESTINAT", 35),
                  c("INDDEST", 35),
                  c("CITDEST", 35),
                  c("TELDEST", 13),
                  m("NOTDEST"),
                  n("BUONI", 2),
                  c("NUMBUONO", 8),
                  c("PONY1", 4),
                  n("IMPORTO1", 7, 2),
                  c("PONY2", 4),
                  n("IMPORTO2", 7, 2),
                  l("CONTANTI"),
                  n("IMPCONT", 6, 2),
                  l("CONSEGNATA"),
                  l("FAX"),
                  l("SOSPESO")},
                 {"CORSE", "FUTURE", "SOSPESI"}});

    TableDef fatture{"FATTURE",
                     {n("NUMERO", 5), c("CLIENTE", 35), c("RAGSOC1", 35), c("RAGSOC2", 35),
                      c("RAGSOC3", 35), c("RAGSOC4", 35), c("RAGSOC5", 35), c("INDIRIZZO", 35),
                      c("CAP", 5), c("CITTA", 35), c("PROVINCIA", 2), c("TELEFONO", 45),
                      c("PARTIVA", 16), m("FATTURAZ"), d("DATA"), c("PAGAMENTO", 25)},
                     {"FATTURE"}};
    // Ten invoice lines, each QUANTnn, DESCRnn, IMPORnn.
    for (int i = 1; i <= 10; ++i) {
        std::string nn = (i < 10 ? "0" : "") + std::to_string(i);
        fatture.fields.push_back({"QUANT" + nn, 'N', 3, 0});
        fatture.fields.push_back({"DESCR" + nn, 'C', 40, 0});
        fatture.fields.push_back({"IMPOR" + nn, 'N', 8, 2});
    }
    fatture.fields.push_back(l("SALDATA"));
    t.push_back(std::move(fatture));

    t.push_back({"ATTIVITA", {c("ATTIVITA", 20)}, {"ATTIVITA"}});
    return t;
}

TagDef tag(const char* name, const char* table, const char* key, const char* cond, char type,
           int len) {
    TagDef g;
    g.name = name;
    g.table = table;
    g.keyExpression = key;
    g.condition = cond;
    g.keyText = stripFieldPrefix(key);
    g.conditionText = storedCondition(cond);
    g.keyType = type;
    g.keyLength = len;
    return g;
}

std::vector<TagDef> buildTags() {
    const char* nd = "!DELETED()";
    return {
        tag("CLIENTI", "CLIENTI", "UPPER( FIELD -> cliente )", nd, 'C', 35),
        tag("ABBONAM", "ABBONAM", "FIELD -> cliente + DTOS( FIELD -> data )", nd, 'C', 18),
        tag("DESTINAT", "DESTINAT", "UPPER( FIELD -> cliente )", nd, 'C', 35),
        tag("PONY", "PONY", "UPPER( FIELD -> nominativo )", nd, 'C', 35),
        tag("SIGLE", "PONY", "FIELD -> sigla", nd, 'C', 4),
        tag("ACCONTI", "ACCONTI", "FIELD -> pony + DTOS( FIELD -> data )", nd, 'C', 12),
        tag("CORSE", "CORSE", "DTOS( FIELD -> data ) + STR( FIELD -> numero, 3 )",
            "!EMPTY( FIELD -> numero )", 'C', 11),
        tag("FUTURE", "CORSE", "DTOS( FIELD -> data ) + FIELD -> ora", "EMPTY( FIELD -> numero )",
            'C', 13),
        tag("SOSPESI", "CORSE",
            "IF( FIELD -> sospeso, \"S\", \" \" ) + DTOS( FIELD -> data ) + "
            "STR( FIELD -> numero, 3 )",
            nd, 'C', 12),
        tag("FATTURE", "FATTURE", ".T.", nd, 'L', 1),
        tag("ATTIVITA", "ATTIVITA", "UPPER( FIELD -> attivita )", nd, 'C', 20),
    };
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

const std::vector<TableDef>& schemaTables() {
    static const std::vector<TableDef> tables = buildTables();
    return tables;
}

const std::vector<TagDef>& schemaTags() {
    static const std::vector<TagDef> tags = buildTags();
    return tags;
}

const TableDef* findTable(std::string_view name) {
    for (const TableDef& t : schemaTables())
        if (sameName(t.name, name)) return &t;
    return nullptr;
}

const TagDef* findTag(std::string_view name) {
    for (const TagDef& g : schemaTags())
        if (sameName(g.name, name)) return &g;
    return nullptr;
}

std::string stripFieldPrefix(std::string_view expression) {
    static constexpr std::string_view prefix = "FIELD -> ";
    std::string out;
    out.reserve(expression.size());
    size_t i = 0;
    while (i < expression.size()) {
        if (expression.substr(i, prefix.size()) == prefix) {
            i += prefix.size();
        } else {
            out.push_back(expression[i++]);
        }
    }
    return out;
}

std::string storedCondition(std::string_view condition) {
    if (condition.empty() || condition == kNotDeleted) return std::string(kNotDeleted);
    return stripFieldPrefix(condition) + " .AND. " + std::string(kNotDeleted);
}

}  // namespace drav::data
