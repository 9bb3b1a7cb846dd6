// The made-up runs of the benchmarks: CORSE records from a fixed seed,
// 300 runs a day (one in 25 still without a number), requesters from 2,000
// clients, senders and recipients with Italian names, addresses and towns,
// notes on about one run in ten. Record r is the same whatever order the
// records are made in, so every benchmark sees the same table.
#pragma once

#include "data/dbf/TableFile.h"
#include "util/Date.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace drav::bench {

using data::Status;
using data::TableFile;

constexpr int kPerDay = 300;
inline const Date kFirstDay = Date::fromYmd(2015, 1, 1);

inline const char* const kSurnames[] = {
    "ROSSI",   "RUSSO",   "FERRARI",   "ESPOSITO", "BIANCHI",    "ROMANO",  "COLOMBO",
    "RICCI",   "MARINO",  "GRECO",     "BRUNO",    "GALLO",      "CONTI",   "DE LUCA",
    "MANCINI", "COSTA",   "GIORDANO",  "RIZZO",    "LOMBARDI",   "MORETTI", "BARBIERI",
    "FONTANA", "SANTORO", "MARIANI",   "RINALDI",  "CARUSO",     "FERRARA", "GALLI",
    "MARTINI", "LEONE",   "LONGO",     "GENTILE",  "MARTINELLI", "VITALE",  "LOMBARDO",
    "SERRA",   "COPPOLA", "DE SANTIS", "D'ANGELO", "MARCHETTI"};
inline const char* const kNames[] = {
    "Mario",      "Luca",   "Giulia", "Francesca", "Marco",   "Anna",      "Giuseppe", "Sara",
    "Alessandro", "Chiara", "Andrea", "Paola",     "Roberto", "Elena",     "Stefano",  "Laura",
    "Davide",     "Marta",  "Paolo",  "Silvia",    "Matteo",  "Valentina", "Franco",   "Federica"};
inline const char* const kTrades[] = {"Studio legale", "Farmacia",   "Tipografia", "Ottica",
                                      "Assicurazioni", "Ferramenta", "Agenzia",    "Laboratorio",
                                      "Studio medico", "Edilizia",   "Libreria",   "Gioielleria"};
inline const char* const kForms[] = {"S.r.l.", "S.p.A.", "& C. S.n.c.", "S.a.s.", ""};
inline const char* const kStreets[] = {"Via Roma",      "Corso Italia",  "Via Garibaldi",
                                       "Via Mazzini",   "Viale Europa",  "Via Dante",
                                       "Piazza Duomo",  "Via Verdi",     "Corso Vittorio Emanuele",
                                       "Via Cavour",    "Via Manzoni",   "Via XX Settembre",
                                       "Via San Marco", "Via dei Mille", "Viale Monza",
                                       "Via Torino"};
inline const char* const kTowns[] = {"MILANO",        "SESTO SAN GIOVANNI",
                                     "MONZA",         "RHO",
                                     "CINISELLO B.",  "ASSAGO",
                                     "SAN DONATO M.", "SEGRATE",
                                     "PERO",          "BOLLATE",
                                     "OPERA",         "ROZZANO",
                                     "CORSICO",       "BRESSO",
                                     "PADERNO D."};
inline const char* const kPony[] = {"ABCD", "MRSS", "LBNC", "GFRR", "PCNT", "SMRN",
                                    "DGLL", "RRZZ", "FMNC", "TLMB", "VCST", "NGRC"};

template <size_t N>
inline const char* pick(const char* const (&list)[N], uint64_t r) {
    return list[r % N];
}

// A few random bits derived from the record number alone: the same record
// is the same on both sides, whatever the order it is made in.
inline uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

inline std::string person(uint64_t r) {
    return std::string(pick(kSurnames, r)) + " " + pick(kNames, r >> 8);
}

inline std::string client(uint64_t n) {
    uint64_t r = mix(n * 7919 + 11);
    if (n % 3 == 0) return std::string(pick(kSurnames, r)) + " " + pick(kNames, r >> 8);
    std::string s =
        std::string(pick(kTrades, r)) + " " + pick(kSurnames, r >> 8) + " " + pick(kForms, r >> 16);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

inline std::string address(uint64_t r) {
    return std::string(pick(kStreets, r)) + " " + std::to_string(1 + (r >> 12) % 180);
}

struct RunRow {
    int numero = 0;
    Date data;
    char ora[6] = {};
    std::string cliente, mittente, indmitt, citmitt, notmitt;
    std::string destinat, inddest, citdest, teldest, notdest;
    int buoni = 0;
    std::string numbuono, pony1, pony2;
    double importo1 = 0, importo2 = 0, impcont = 0;
    bool contanti = false, consegnata = false, fax = false, sospeso = false;
};

// Record r (from 1) of the made-up table: day (r-1)/300, number (r-1)%300+1
// unless it is still a future run.
inline void makeRun(uint64_t recno, RunRow& row) {
    const uint64_t i = recno - 1, r = mix(recno), s = mix(r);
    int n = static_cast<int>(i % kPerDay) + 1;
    row.numero = n % 25 == 0 ? 0 : n;
    row.data = kFirstDay.addDays(static_cast<int>(i / kPerDay));
    int minutes = 8 * 60 + static_cast<int>((i % kPerDay) * 720 / kPerDay);
    std::snprintf(row.ora, sizeof row.ora, "%02d:%02d", minutes / 60, minutes % 60);
    uint64_t who = (r >> 3) % 2000;
    row.cliente = client(who);
    bool fromClient = r % 10 < 7;
    row.mittente = fromClient ? row.cliente : person(r >> 5);
    row.indmitt = fromClient ? address(mix(who)) : address(r >> 9);
    row.citmitt = fromClient ? pick(kTowns, mix(who) >> 20) : pick(kTowns, r >> 13);
    row.destinat = person(s);
    row.inddest = address(s >> 7);
    row.citdest = pick(kTowns, s >> 17);
    row.teldest = "02 " + std::to_string(2000000 + (s >> 23) % 8000000);
    row.notmitt = r % 10 == 3
                      ? "Citofonare " + person(r >> 29) + ", " + std::to_string(1 + (r >> 40) % 6) +
                            " piano; ritirare entro le " + std::to_string(9 + (r >> 44) % 9) + ":00"
                      : "";
    row.notdest = s % 20 == 7 ? "Consegnare in portineria.\r\nPagamento alla consegna." : "";
    row.contanti = s % 4 == 0;
    row.buoni = row.contanti ? 0 : 1 + static_cast<int>((s >> 3) % 3);
    row.numbuono = row.contanti ? "" : std::to_string(100000 + (s >> 11) % 800000);
    row.pony1 = row.numero ? pick(kPony, s >> 19) : "";
    row.importo1 = row.numero ? 4.5 * (1 + row.buoni) : 0;
    row.pony2 = s % 50 == 0 ? pick(kPony, s >> 27) : "";
    row.importo2 = row.pony2.empty() ? 0 : 3.0;
    row.impcont = row.contanti ? 12.5 + (s >> 31) % 20 : 0;
    row.consegnata = row.numero != 0 && s % 30 != 0;
    row.fax = s % 40 == 0;
    row.sospeso = r % 50 == 0;
}

// The fields of CORSE in file order, for putField by position.
enum Col {
    NUMERO,
    DATA,
    ORA,
    CLIENTE,
    MITTENTE,
    INDMITT,
    CITMITT,
    NOTMITT,
    DESTINAT,
    INDDEST,
    CITDEST,
    TELDEST,
    NOTDEST,
    BUONI,
    NUMBUONO,
    PONY1,
    IMPORTO1,
    PONY2,
    IMPORTO2,
    CONTANTI,
    IMPCONT,
    CONSEGNATA,
    FAX,
    SOSPESO
};

inline Status putRun(TableFile& t, const RunRow& row) {
    Status s;
    auto put = [&](int col, Value v) {
        if (s) s = t.putField(col, v);
    };
    put(NUMERO, double(row.numero));
    put(DATA, row.data);
    put(ORA, std::string(row.ora));
    put(CLIENTE, row.cliente);
    put(MITTENTE, row.mittente);
    put(INDMITT, row.indmitt);
    put(CITMITT, row.citmitt);
    if (!row.notmitt.empty()) put(NOTMITT, row.notmitt);
    put(DESTINAT, row.destinat);
    put(INDDEST, row.inddest);
    put(CITDEST, row.citdest);
    put(TELDEST, row.teldest);
    if (!row.notdest.empty()) put(NOTDEST, row.notdest);
    put(BUONI, double(row.buoni));
    put(NUMBUONO, row.numbuono);
    put(PONY1, row.pony1);
    put(IMPORTO1, row.importo1);
    put(PONY2, row.pony2);
    put(IMPORTO2, row.importo2);
    put(CONTANTI, row.contanti);
    put(IMPCONT, row.impcont);
    put(CONSEGNATA, row.consegnata);
    put(FAX, row.fax);
    put(SOSPESO, row.sospeso);
    return s;
}

// A failed step ends the benchmark: the figures after it would mean nothing.
[[noreturn]] inline void fail(const char* what, const Status& s) {
    std::fprintf(stderr, "%s: %s\n", what, s.toString().c_str());
    std::exit(1);
}

// Appends the made-up records first to last (from 1) to a table open
// exclusively, each one committed; stops at the first failure.
inline Status appendRuns(TableFile& t, uint64_t first, uint64_t last) {
    RunRow row;
    Status s;
    for (uint64_t r = first; s && r <= last; ++r) {
        makeRun(r, row);
        s = t.append();
        if (s) s = putRun(t, row);
        if (s) s = t.commit();
    }
    return s;
}

// Fills a new, empty runs table file with the made-up records 1 to n, the
// file opened exclusively and closed again; any failure ends the benchmark.
inline void fillRuns(const std::string& table, uint64_t n) {
    TableFile t;
    if (Status s = t.open(table, data::File::Share::Exclusive, false); !s) fail("open", s);
    if (Status s = appendRuns(t, 1, n); !s) fail("append", s);
    if (Status s = t.close(); !s) fail("close", s);
}

}  // namespace drav::bench
