// A client as the card edits it: a copy of every field of a CLIENTI record.
//
// Texts are table bytes (Windows-1252) padded with blanks to their field's
// width, as the table hands them out and as the card's edit fields expect
// them; the two memos (FATTURAZ, NOTE) keep their CR LF line breaks and have
// no width. Nothing here touches a file until writeClient() is called on a
// locked record.
#pragma once

#include "data/access/Table.h"
#include "util/Text.h"

#include <array>
#include <string>

namespace drav::clients {

struct Client {
    std::string codice;                 // C 10, given once by nextCode, never edited
    std::string cliente;                // C 35, the identifier, unique without regard to case
    std::array<std::string, 5> ragsoc;  // C 35 each, RAGSOC1 ... RAGSOC5
    std::string indirizzo;              // C 35
    std::string citta;                  // C 35
    std::string cap;                    // C 5
    std::string provincia;              // C 2
    std::string telefono;               // C 45
    std::string fax;                    // C 13
    std::string partiva;                // C 11
    std::string codfisc;                // C 16
    std::string attivita;               // C 20
    bool fattura = true;
    double costoclie = 0;   // N 5,2
    double costopony = 0;   // N 4,2
    std::string pagamento;  // C 25
    std::string fatturaz;   // memo
    std::string note;       // memo
    bool fisso = false;

    bool operator==(const Client&) const = default;
};

// A new card: every text blank to its width, FATTURA true, FISSO false,
// both prices 0.
Client newClient();
// The current record of the table (a CLIENTI table).
Client readClient(const data::Table& clienti);
// Writes every field but CODICE into the current record, which the caller
// holds locked; the caller commits.
void writeClient(data::Table& clienti, const Client& client);

// The text without its trailing blanks.
using drav::trimRight;
// The text without leading and trailing blanks.
std::string trimBoth(std::string_view text);
// The text cut or padded with blanks to the width.
std::string padTo(std::string_view text, size_t width);
// True when the text holds nothing but blanks.
bool isBlank(std::string_view text);

}  // namespace drav::clients
