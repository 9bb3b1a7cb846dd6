// Positions and sizes in dialog units (FormTemplate.h). Labels that no code
// binds carry the static id.
#include "clients/ClientTemplates.h"

#include "ui/FormTemplate.h"

#include <QComboBox>
#include <QLabel>

namespace drav::clients {
namespace {

using ui::kStaticId;

// Buttons of a list screen: a column at the right of the list.
void listButtons(ui::TemplateBuilder& b, int x, const std::vector<const char*>& captions) {
    int id = 201;
    int y = 6;
    for (const char* caption : captions) {
        b.button(id++, QString::fromUtf8(caption), QRect(x, y, 54, 15));
        y += 18;
    }
}

// CLIENTI: list 101, buttons 201-208.
void clientiTemplate(QWidget& w) {
    ui::TemplateBuilder b(w, 270, 200, QStringLiteral("Clienti"));
    b.custom(101, QRect(6, 6, 196, 188));
    listButtons(b, 210,
                {"&Chiudi", "&Aggiungi", "&Modifica", "&Elimina", "&Ricerca", "&Stampa", "&Busta",
                 "Abb&onamenti"});
}

// CLIENTE: identity and address on the left, prices, terms and the two
// memos on the right, the three buttons under them.
void clienteTemplate(QWidget& w) {
    ui::TemplateBuilder b(w, 400, 238);
    auto label = [&](const char* text, int x, int y, int width = 58) {
        b.say(kStaticId, QString::fromUtf8(text), QRect(x, y, width, 12));
    };
    constexpr int lx = 6, fx = 66;
    label("Identificativo:", lx, 8);
    b.get(101, QRect(fx, 8, 140, 12));
    label("Ragione sociale:", lx, 24);
    b.get(102, QRect(fx, 24, 150, 12));
    for (int i = 0; i < 4; ++i) b.get(103 + i, QRect(fx, 37 + 13 * i, 150, 12));
    label("Indirizzo:", lx, 92);
    b.get(107, QRect(fx, 92, 150, 12));
    label("Città:", lx, 106);
    b.get(108, QRect(fx, 106, 150, 12));
    label("C.A.P.:", lx, 120);
    b.get(109, QRect(fx, 120, 32, 12));
    label("Provincia:", 106, 120, 38);
    b.get(110, QRect(146, 120, 18, 12));
    label("Telefono:", lx, 134);
    b.get(111, QRect(fx, 134, 150, 12));
    label("Fax:", lx, 148);
    b.get(112, QRect(fx, 148, 70, 12));
    label("Partita IVA:", lx, 162);
    b.get(113, QRect(fx, 162, 70, 12));
    label("Codice fisc.:", lx, 176);
    b.get(114, QRect(fx, 176, 90, 12));
    label("Attività:", lx, 190);
    b.comboBox(115, QRect(fx, 190, 110, 90), true);

    constexpr int rx = 228, rf = 286;
    b.checkBox(116, QStringLiteral("Fattura:"), QRect(rx, 8, 56, 12));
    b.checkBox(122, QStringLiteral("Fisso:"), QRect(rf, 8, 56, 12));
    label("Costo buoni:", rx, 24);
    label("al cliente:", rx + 12, 37, 44);
    b.get(117, QRect(rf, 37, 40, 12));
    label("al pony:", rx + 12, 51, 44);
    b.get(118, QRect(rf, 51, 40, 12));
    label("Pagamento:", rx, 67);
    b.comboBox(119, QRect(rf, 67, 106, 90));
    label("Fatturare a:", rx, 83);
    b.multiGet(120, QRect(rx, 95, 164, 44));
    label("Note:", rx, 143);
    b.multiGet(121, QRect(rx, 155, 164, 47));

    b.button(201, QStringLiteral("&Conferma"), QRect(rx, 216, 50, 15));
    b.button(202, QStringLiteral("&Annulla"), QRect(rx + 57, 216, 50, 15));
    b.button(203, QStringLiteral("&Stampa"), QRect(rx + 114, 216, 50, 15));
}

// RICCLI: one input per line, the buttons under them.
void ricercaTemplate(QWidget& w) {
    ui::TemplateBuilder b(w, 230, 194, QStringLiteral("Ricerca"));
    struct Input {
        const char* label;
        int width;
    } inputs[] = {{"Cliente:", 158},     {"Indirizzo:", 158}, {"Città:", 158}, {"C.A.P.:", 32},
                  {"Provincia:", 18},    {"Telefono:", 70},   {"Fax:", 70},    {"Partita IVA:", 70},
                  {"Codice fisc.:", 90}, {"Attività:", 110},  {"Note:", 158}};
    int id = 101;
    int y = 8;
    for (const Input& in : inputs) {
        b.say(kStaticId, QString::fromUtf8(in.label), QRect(6, y, 56, 12));
        if (id == 110)
            b.comboBox(id, QRect(64, y, in.width, 90), true);
        else
            b.get(id, QRect(64, y, in.width, 12));
        ++id;
        y += 14;
    }
    b.button(201, QStringLiteral("&Conferma"), QRect(64, 172, 50, 15));
    b.button(202, QStringLiteral("&Annulla"), QRect(118, 172, 50, 15));
    b.button(203, QStringLiteral("&Tutti"), QRect(172, 172, 50, 15));
}

// ATTIVITA: list 101, buttons 201-204.
void attivitaTemplate(QWidget& w) {
    ui::TemplateBuilder b(w, 200, 160, QStringLiteral("Attività"));
    b.custom(101, QRect(6, 6, 130, 148));
    listButtons(b, 142, {"&Chiudi", "&Aggiungi", "&Modifica", "&Elimina"});
}

}  // namespace

void registerClientTemplates() {
    ui::registerTemplate(QStringLiteral("CLIENTI"), clientiTemplate);
    ui::registerTemplate(QStringLiteral("CLIENTE"), clienteTemplate);
    ui::registerTemplate(QStringLiteral("RICCLI"), ricercaTemplate);
    ui::registerTemplate(QStringLiteral("ATTIVITA"), attivitaTemplate);
}

}  // namespace drav::clients
