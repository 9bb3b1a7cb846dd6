// Sections: list print; card print; envelope.
#include "clients/ClientPrints.h"

#include "clients/ClientRules.h"
#include "clients/GridLine.h"
#include "clients/ListPrint.h"
#include "print/PageGrid.h"
#include "print/PrinterSettings.h"
#include "print/TFont.h"
#include "print/TPrinter.h"
#include "util/Error.h"
#include "util/IniFile.h"
#include "util/Settings.h"

#include <algorithm>

namespace drav::clients {

// ---- List print ------------------------------------------------------------

void stampa1(data::Table& t) {
    const int telefono = t.needField("TELEFONO");
    auto phone = [&t, telefono] { return Value(t.text(telefono).substr(0, 13)); };
    printListed(t, QStringLiteral("Stampa tabulato clienti"),
                QStringLiteral("STAMPA TABULATO CLIENTI"), 8,
                {
                    {QStringLiteral("CLIENTE"), {field(t, "CLIENTE")}, 25},
                    {QStringLiteral("INDIRIZZO"), {field(t, "INDIRIZZO")}, 25},
                    {QStringLiteral("CITTA' E CAP"), {field(t, "CITTA"), field(t, "CAP")}, 20},
                    {QStringLiteral("TEL. E FAX"), {phone, field(t, "FAX")}, 15},
                    {QStringLiteral("ATTIVITA'"), {field(t, "ATTIVITA")}, 18},
                });
}

// ---- Card print ------------------------------------------------------------

void stampa2(const Client& client) {
    print::TPrinter printer(QStringLiteral("Stampa scheda cliente"), true);
    print::TFont font(printer, QStringLiteral("Arial"), 12);
    print::TFont mono(printer, QStringLiteral("Courier New"), 12);
    printer.startPage();
    printGridLines(cardLines(client, Date::today()), printer, font, mono);
    printer.endPage();
    printer.endPrint();
}

// ---- Envelope --------------------------------------------------------------

std::optional<EnvelopeMargins> envelopeMargins(const std::string& file) {
    std::optional<IniFile> ini;
    bool existed = false;
    try {
        ini = IniFile::load(profilePath(file), &existed);
    } catch (const Abandoned&) {
        return std::nullopt;  // the error handler has said why
    }
    if (!ini || !existed) return std::nullopt;
    auto read = [&](const char* key) {
        std::optional<std::string> text = ini->value("Vars", key);
        if (!text) return 0;
        const Value v = decodeSettingValue(*text);
        const double n = isNumber(v) ? std::get<double>(v) : 0;
        return static_cast<int>(std::clamp(n, 0.0, 999.0));
    };
    return EnvelopeMargins{read("CFG_DBUST"), read("CFG_SBUST")};
}

namespace {

// Landscape while the envelope prints, portrait again on every way out.
struct Landscape {
    Landscape() { print::prnLandscape(); }
    ~Landscape() { print::prnPortrait(); }
};

}  // namespace

void busta(const Client& client) {
    const std::optional<EnvelopeMargins> margins = envelopeMargins();
    if (!margins) return;
    Landscape landscape;
    print::TPrinter printer(QStringLiteral("Stampa busta cliente"), true);
    print::TFont font(printer, QStringLiteral("Arial"), 11, true);
    printer.startPage();
    for (int i = 0; i < margins->skip; ++i) print::printTxt({}, std::nullopt, printer, font);
    print::pFeed(1.5);
    std::vector<GridLine> lines;
    for (const QString& text : envelopeLines(client)) {
        // Column 0 of the grid goes on after the previous text: an offset
        // of 0 is the margin of a line of its own.
        if (margins->column == 0)
            lines.push_back({text, std::nullopt, {}});
        else
            lines.push_back({{}, double(margins->column), text});
    }
    printGridLines(lines, printer, font, font);
    print::pFeed(1);
    printer.endPage();
    printer.endPrint();
}

}  // namespace drav::clients
