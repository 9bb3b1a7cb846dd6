#include "clients/Client.h"

namespace drav::clients {
namespace {

const char* const kRagsoc[5] = {"RAGSOC1", "RAGSOC2", "RAGSOC3", "RAGSOC4", "RAGSOC5"};

}  // namespace

std::string trimBoth(std::string_view text) {
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    return trimRight(text.substr(begin));
}

std::string padTo(std::string_view text, size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

bool isBlank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

Client newClient() {
    Client c;
    c.codice = padTo("", 10);
    c.cliente = padTo("", 35);
    for (std::string& r : c.ragsoc) r = padTo("", 35);
    c.indirizzo = padTo("", 35);
    c.citta = padTo("", 35);
    c.cap = padTo("", 5);
    c.provincia = padTo("", 2);
    c.telefono = padTo("", 45);
    c.fax = padTo("", 13);
    c.partiva = padTo("", 11);
    c.codfisc = padTo("", 16);
    c.attivita = padTo("", 20);
    c.pagamento = padTo("", 25);
    return c;
}

Client readClient(const data::Table& t) {
    Client c;
    c.codice = t.text("CODICE");
    c.cliente = t.text("CLIENTE");
    for (size_t i = 0; i < 5; ++i) c.ragsoc[i] = t.text(kRagsoc[i]);
    c.indirizzo = t.text("INDIRIZZO");
    c.citta = t.text("CITTA");
    c.cap = t.text("CAP");
    c.provincia = t.text("PROVINCIA");
    c.telefono = t.text("TELEFONO");
    c.fax = t.text("FAX");
    c.partiva = t.text("PARTIVA");
    c.codfisc = t.text("CODFISC");
    c.attivita = t.text("ATTIVITA");
    c.fattura = t.logical("FATTURA");
    c.costoclie = t.number("COSTOCLIE");
    c.costopony = t.number("COSTOPONY");
    c.pagamento = t.text("PAGAMENTO");
    c.fatturaz = t.text("FATTURAZ");
    c.note = t.text("NOTE");
    c.fisso = t.logical("FISSO");
    return c;
}

void writeClient(data::Table& t, const Client& c) {
    t.put("CLIENTE", c.cliente);
    for (size_t i = 0; i < 5; ++i) t.put(kRagsoc[i], c.ragsoc[i]);
    t.put("INDIRIZZO", c.indirizzo);
    t.put("CITTA", c.citta);
    t.put("CAP", c.cap);
    t.put("PROVINCIA", c.provincia);
    t.put("TELEFONO", c.telefono);
    t.put("FAX", c.fax);
    t.put("PARTIVA", c.partiva);
    t.put("CODFISC", c.codfisc);
    t.put("ATTIVITA", c.attivita);
    t.put("FATTURA", c.fattura);
    t.put("COSTOCLIE", c.costoclie);
    t.put("COSTOPONY", c.costopony);
    t.put("PAGAMENTO", c.pagamento);
    t.put("FATTURAZ", c.fatturaz);
    t.put("NOTE", c.note);
    t.put("FISSO", c.fisso);
}

}  // namespace drav::clients
