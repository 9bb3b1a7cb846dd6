// drav-admin: maintenance of a data folder from scripts and the shell.
//
//   drav-admin init DIR                       the program's start-up check and upgrade
//   drav-admin load DIR TABLE [CSV]           append the rows of a CSV file (or standard input)
//   drav-admin dump DIR TABLE [--tag TAG] [--from KEY] [--to KEY]
//                                             write the visible records as CSV
//   drav-admin delete DIR TABLE RECNO...      mark records deleted
//   drav-admin check DIR                      verify every table, memo and tag file
//   drav-admin reindex DIR                    the archive maintenance: pack, rebuild tags
//   drav-admin backup DIR ZIPFILE             save the tables and memos into an archive
//   drav-admin restore ZIPFILE DIR            restore an archive, then the maintenance
//
// Exit codes: 0 done; 1 rows or records refused, or problems found by
// check; 2 wrong arguments, or a file that cannot be opened or written, or
// an upgrade, maintenance, backup or restore that failed.
//
// Sections: CSV reading and writing; values between CSV text and fields;
// the commands; usage and main.
//
// CSV is UTF-8 with "," between fields and "\"" quoting; table text is
// Windows-1252. Dates are dd/mm/yyyy or yyyymmdd, numbers use "." for
// decimals, logicals are T or F, and in memo text "\n" stands for a line
// break ("\\" for a backslash).
//
// Every command opens the table shared, so it can run while the program and
// other drav-admin processes work on the same table: rows are appended
// under the header and append lock, each record written under its own lock.
// The table's index tags are opened with it and kept current (TaggedTable),
// so every write goes to every tag file there is.
#include "data/backup/Backup.h"
#include "data/backup/Manutenzione.h"
#include "data/cdx/IndexFile.h"
#include "data/dbf/FieldCodec.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "data/upgrade/CreateDb.h"
#include "tools/FolderCheck.h"
#include "tools/TaggedTable.h"
#include "util/Cp1252.h"
#include "util/Date.h"
#include "util/Error.h"
#include "util/Text.h"

#include <QString>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace drav;
using namespace drav::data;
using drav::admin::retryBusy;
using drav::admin::TaggedTable;

namespace {

// ---- CSV -------------------------------------------------------------------

// Reads one record (which may span lines inside quotes). False at end of input.
bool readCsvRecord(std::istream& in, std::vector<std::string>* fields, int* line) {
    fields->clear();
    std::string field;
    bool quoted = false, any = false, wasQuoted = false;
    int c;
    while ((c = in.get()) != EOF) {
        any = true;
        if (quoted) {
            if (c == '"') {
                if (in.peek() == '"') {
                    field.push_back('"');
                    in.get();
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n') ++*line;
                field.push_back(static_cast<char>(c));
            }
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            fields->push_back(std::move(field));
            field.clear();
            wasQuoted = false;
        } else if (c == '\n') {
            ++*line;
            break;
        } else if (c != '\r') {
            field.push_back(static_cast<char>(c));
        }
    }
    if (!any) return false;
    fields->push_back(std::move(field));
    return true;
}

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"')
            out += "\"\"";
        else
            out.push_back(c);
    }
    return out + "\"";
}

// ---- Values ----------------------------------------------------------------

// UTF-8 text as table bytes; false when a character has no Windows-1252 form.
bool toTableText(const std::string& utf8, std::string* out) {
    QString q = QString::fromUtf8(utf8);
    *out = toCp1252(q);
    return fromCp1252(*out) == q;
}

std::string fromTableText(const std::string& bytes) {
    return fromCp1252(bytes).toUtf8().toStdString();
}

bool parseNumber(const std::string& s, double* out) {
    size_t i = 0;
    if (i < s.size() && s[i] == '-') ++i;
    size_t digits = 0, dots = 0;
    for (size_t k = i; k < s.size(); ++k) {
        if (std::isdigit(static_cast<unsigned char>(s[k])))
            ++digits;
        else if (s[k] == '.' && dots == 0)
            ++dots;
        else
            return false;
    }
    if (digits == 0) return false;
    *out = std::stod(s);
    return true;
}

bool parseDate(const std::string& s, Date* out) {
    auto digits = [&](size_t from, size_t n, int* v) {
        *v = 0;
        for (size_t k = from; k < from + n; ++k) {
            if (!std::isdigit(static_cast<unsigned char>(s[k]))) return false;
            *v = *v * 10 + (s[k] - '0');
        }
        return true;
    };
    int d, m, y;
    if (s.size() == 10 && s[2] == '/' && s[5] == '/') {
        if (!digits(0, 2, &d) || !digits(3, 2, &m) || !digits(6, 4, &y)) return false;
    } else if (s.size() == 8) {
        if (!digits(0, 4, &y) || !digits(4, 2, &m) || !digits(6, 2, &d)) return false;
    } else {
        return false;
    }
    *out = Date::fromYmd(y, m, d);
    return !out->isEmpty();
}

std::string memoFromCsv(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 'n' || s[i + 1] == '\\')) {
            out += s[i + 1] == 'n' ? "\r\n" : "\\";
            ++i;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::string memoToCsv(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\')
            out += "\\\\";
        else if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (s[i] == '\n')
            out += "\\n";
        else
            out.push_back(s[i]);
    }
    return out;
}

// The CSV text as a value for the field; "" in *why when it fits.
Value csvToValue(const FieldDef& f, const std::string& text, std::string* why) {
    switch (f.type) {
        case 'N': {
            if (text.empty()) return 0.0;
            double v = 0;
            std::string probe(f.length, ' ');
            if (!parseNumber(text, &v))
                *why = "numero non valido";
            else if (!codec::encodeNumber(v, f.length, f.decimals, probe.data()))
                *why = "numero troppo grande";
            return v;
        }
        case 'D': {
            Date d;
            if (!text.empty() && !parseDate(text, &d)) *why = "data non valida";
            return d;
        }
        case 'L':
            if (text == "T" || text == "t") return true;
            if (!text.empty() && text != "F" && text != "f")
                *why = "valore logico non valido (T o F)";
            return false;
        default: {
            std::string bytes;
            if (!toTableText(f.type == 'M' ? memoFromCsv(text) : text, &bytes))
                *why = "carattere non rappresentabile";
            else if (f.type == 'C' && bytes.size() > static_cast<size_t>(f.length))
                *why = "testo troppo lungo (massimo " + std::to_string(f.length) + " caratteri)";
            return bytes;
        }
    }
}

std::string valueToCsv(const TableFile& t, int i) {
    const FieldDef& f = t.field(i);
    Value v;
    Status s = t.getField(i, &v);
    if (!s)
        std::cerr << "drav-admin: record " << t.recno() << ", campo " << f.name << ": "
                  << s.toString() << "\n";
    switch (f.type) {
        case 'N':
            return codec::numberText(std::get<double>(v), f.decimals);
        case 'D': {
            Date d = std::get<Date>(v);
            if (d.isEmpty()) return "";
            char buf[16];
            std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.day(), d.month(), d.year());
            return buf;
        }
        case 'L':
            return std::get<bool>(v) ? "T" : "F";
        case 'M':
            return fromTableText(memoToCsv(std::get<std::string>(v)));
        default:
            return fromTableText(trimRight(std::get<std::string>(v)));
    }
}

// ---- Commands --------------------------------------------------------------

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kFailed = 2;

void report(const std::string& what, const Status& s) {
    std::cerr << "drav-admin: " << what << ": " << s.toString() << "\n";
}

bool openTable(TaggedTable& t, const std::string& dir, const std::string& table, bool readOnly) {
    Status s = t.open(dir, table, readOnly);
    if (!s) report("impossibile aprire " + admin::tableFilePath(dir, table), s);
    return s.isOk();
}

// The data folder becomes the current folder, as for the program: the
// table layer names its files there.
bool enterFolder(const std::string& dir) {
    std::error_code ec;
    std::filesystem::current_path(dir, ec);
    if (!ec) return true;
    std::cerr << "drav-admin: la cartella " << dir << " non si apre: " << ec.message() << "\n";
    return false;
}

// What the program does at start before anything else: missing tables
// created, tables of an older layout rebuilt with their data, and, when
// anything was created or rebuilt or a tag file is missing, every table
// packed and every tag rebuilt. A table another station holds exclusively
// is waited for, as the program waits.
int init(const std::string& dir) {
    if (!enterFolder(dir)) return kFailed;
    // Old values kept as text are read with two-digit years, as at start.
    setDateFormat(DateFormat::TwoDigitYear);
    return createDb(schemaTables()) ? kDone : kFailed;
}

// The menu's "Manutenzione archivi" without its question.
int reindex(const std::string& dir) {
    if (!enterFolder(dir)) return kFailed;
    return manutenzione(false) ? kDone : kFailed;
}

int backup(const std::string& dir, const std::string& archive) {
    if (!std::filesystem::is_directory(dir)) {
        std::cerr << "drav-admin: la cartella " << dir << " non esiste\n";
        return kFailed;
    }
    return backupFolder(dir, archive) ? kDone : kFailed;
}

// The archive's tables and memos replace those of the folder (all or
// nothing), then the maintenance rebuilds every tag for them.
int restore(const std::string& archive, const std::string& dir) {
    if (!std::filesystem::is_directory(dir)) {
        std::cerr << "drav-admin: la cartella " << dir << " non esiste\n";
        return kFailed;
    }
    bool maintained = false;
    if (!restoreFolder(archive, dir, [&] { maintained = enterFolder(dir) && manutenzione(false); }))
        return kFailed;
    return maintained ? kDone : kFailed;
}

int load(const std::string& dir, const std::string& table, std::istream& in) {
    TaggedTable tt;
    if (!openTable(tt, dir, table, false)) return kFailed;
    TableFile& t = tt.table();
    int line = 0;
    std::vector<std::string> names;
    if (!readCsvRecord(in, &names, &line)) {
        std::cerr << "drav-admin: file CSV vuoto\n";
        return kRefused;
    }
    if (names[0].rfind("\xEF\xBB\xBF", 0) == 0) names[0].erase(0, 3);  // byte-order mark
    std::vector<int> columns;
    std::set<int> seen;
    for (std::string n : names) {
        n = trimRight(n);
        if (n == "_RECNO") {  // the record numbers of a dump are not loaded
            columns.push_back(-1);
            continue;
        }
        int i = t.fieldIndex(n);
        std::string why = i < 0                    ? "la tabella " + table + " non ha il campo " + n
                          : !seen.insert(i).second ? "campo " + n + " ripetuto"
                                                   : "";
        if (!why.empty()) {
            std::cerr << "drav-admin: riga 1: " << why << " (nessuna riga caricata)\n";
            return kRefused;
        }
        columns.push_back(i);
    }
    int bad = 0, loaded = 0;
    std::vector<std::string> row;
    for (;;) {
        int rowLine = line + 1;
        if (!readCsvRecord(in, &row, &line)) break;
        if (row.size() == 1 && row[0].empty()) continue;  // blank line
        std::string why;
        std::vector<Value> values;
        if (row.size() != columns.size()) {
            why = "attesi " + std::to_string(columns.size()) + " campi, trovati " +
                  std::to_string(row.size());
        }
        for (size_t k = 0; why.empty() && k < row.size(); ++k) {
            if (columns[k] < 0) {
                values.emplace_back();
                continue;
            }
            values.push_back(csvToValue(t.field(columns[k]), row[k], &why));
            if (!why.empty()) why = "campo " + trimRight(names[k]) + ": " + why;
        }
        if (!why.empty()) {
            std::cerr << "drav-admin: riga " << rowLine << ": " << why << " (non caricata)\n";
            ++bad;
            continue;
        }
        // The row was checked whole before anything is written: a row is
        // either in the table with its keys or not at all.
        Status s = retryBusy([&] { return t.append(); });
        for (size_t k = 0; s && k < values.size(); ++k)
            if (columns[k] >= 0) s = t.putField(columns[k], values[k]);
        if (Status u = t.unlockAll(); s && !u) s = u;
        if (!s) {
            report("riga " + std::to_string(rowLine), s);
            (void)tt.close();
            return kFailed;
        }
        ++loaded;
    }
    if (Status s = tt.close(); !s) {
        report(table, s);
        return kFailed;
    }
    std::cerr << "drav-admin: " << loaded << " righe caricate, " << bad << " scartate\n";
    return bad ? kRefused : kDone;
}

// A --from or --to text as a value of the tag's key type.
bool scopeValue(char keyType, const std::string& text, Value* out) {
    switch (keyType) {
        case 'C': {
            std::string bytes;
            if (!toTableText(text, &bytes)) return false;
            *out = bytes;
            return true;
        }
        case 'L':
            if (text != "T" && text != "F") return false;
            *out = text == "T";
            return true;
        case 'N': {
            double v = 0;
            if (!parseNumber(text, &v)) return false;
            *out = v;
            return true;
        }
        case 'D': {
            Date d;
            if (!parseDate(text, &d)) return false;
            *out = d;
            return true;
        }
        default:
            return false;
    }
}

struct DumpOptions {
    std::string tag;
    std::optional<std::string> from, to;
};

int dump(const std::string& dir, const std::string& table, const DumpOptions& opt) {
    TaggedTable tt;
    if (!openTable(tt, dir, table, true)) return kFailed;
    TableFile& t = tt.table();
    IndexTag* tag = nullptr;
    if (!opt.tag.empty()) {
        tag = tt.tag(opt.tag);
        if (!tag) {
            std::cerr << "drav-admin: la tabella " << table << " non ha il file del tag " << opt.tag
                      << "\n";
            return kFailed;
        }
        std::optional<Value> top, bottom;
        for (auto [text, bound] : {std::pair{&opt.from, &top}, std::pair{&opt.to, &bottom}}) {
            if (!*text) continue;
            Value v;
            if (!scopeValue(tag->keyType(), **text, &v)) {
                std::cerr << "drav-admin: chiave \"" << **text << "\" non adatta al tag "
                          << tag->name() << "\n";
                return kFailed;
            }
            *bound = v;
        }
        if (Status s = tag->setScope(top, bottom); !s) {
            report(tag->name(), s);
            return kFailed;
        }
    } else if (opt.from || opt.to) {
        std::cerr << "drav-admin: --from e --to richiedono --tag\n";
        return kFailed;
    }
    std::string out;
    for (int i = 0; i < t.fieldCount(); ++i) out += t.field(i).name + ",";
    out += "_RECNO\n";
    auto row = [&] {
        for (int i = 0; i < t.fieldCount(); ++i) out += csvField(valueToCsv(t, i)) + ",";
        out += std::to_string(t.recno()) + "\n";
        if (out.size() > (1 << 20)) {
            std::cout << out;
            out.clear();
        }
    };
    Status s;
    if (tag) {
        for (s = tag->goTop(); s && !tag->eof(); s = tag->next()) {
            if (s = t.goTo(tag->recno()); !s) break;
            if (!t.eof() && !t.deleted()) row();
        }
    } else {
        for (s = t.goTop(); s && !t.eof(); s = t.skip()) row();
    }
    std::cout << out;
    if (!s) {
        report(table, s);
        return kFailed;
    }
    return kDone;
}

int remove(const std::string& dir, const std::string& table,
           const std::vector<std::string>& recnos) {
    TaggedTable tt;
    if (!openTable(tt, dir, table, false)) return kFailed;
    TableFile& t = tt.table();
    int result = kDone;
    for (const std::string& r : recnos) {
        char* end = nullptr;
        unsigned long n = std::strtoul(r.c_str(), &end, 10);
        uint32_t count = 0;
        if (r.empty() || *end || n == 0 || !t.recCount(&count) || n > count) {
            std::cerr << "drav-admin: record " << r << " inesistente\n";
            result = std::max(result, kRefused);
            continue;
        }
        Status s = t.goTo(static_cast<uint32_t>(n));
        if (s) s = retryBusy([&] { return t.lockRecord(); });
        if (s && !t.deleted()) s = t.deleteRecord();
        if (Status u = t.unlockAll(); s && !u) s = u;
        if (!s) {
            report("record " + r, s);
            result = kFailed;
        }
    }
    if (Status s = tt.close(); !s) {
        report(table, s);
        return kFailed;
    }
    return result;
}

int check(const std::string& dir) {
    if (!std::filesystem::is_directory(dir)) {
        std::cerr << "drav-admin: la cartella " << dir << " non esiste\n";
        return kFailed;
    }
    std::vector<std::string> problems = admin::checkFolder(dir);
    for (const std::string& p : problems) std::cout << p << "\n";
    std::cerr << "drav-admin: " << (problems.empty() ? "nessun problema" : "problemi trovati")
              << "\n";
    return problems.empty() ? kDone : kRefused;
}

// A path that stays right once the command moves into the data folder.
std::string absolutePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    return ec ? path : p.string();
}

// ---- Usage and main ----------------------------------------------------------------

int usage() {
    std::cerr << "uso: drav-admin init DIR\n"
                 "     drav-admin load DIR TABELLA [CSV]\n"
                 "     drav-admin dump DIR TABELLA [--tag TAG] [--from CHIAVE] [--to CHIAVE]\n"
                 "     drav-admin delete DIR TABELLA NUMERO...\n"
                 "     drav-admin check DIR\n"
                 "     drav-admin reindex DIR\n"
                 "     drav-admin backup DIR ARCHIVIO.zip\n"
                 "     drav-admin restore ARCHIVIO.zip DIR\n"
                 "\n"
                 "init    verifica e aggiorna gli archivi di DIR come all'avvio del programma:\n"
                 "        crea le tabelle mancanti, ricostruisce quelle di un tracciato\n"
                 "        precedente conservandone i dati e, se serve, compatta le tabelle\n"
                 "        e ricostruisce tutti gli indici\n"
                 "load    aggiunge le righe di un file CSV UTF-8 (o dello standard input):\n"
                 "        prima riga i nomi dei campi; date gg/mm/aaaa o aaaammgg, numeri con\n"
                 "        il punto decimale, logici T/F, \\n per andare a capo nei memo\n"
                 "dump    scrive i record visibili in CSV, nell'ordine del tag e tra le\n"
                 "        chiavi date (confrontate sulla loro lunghezza), o per numero\n"
                 "delete  segna come cancellati i record indicati\n"
                 "check   verifica tabelle, memo e tag; un problema per riga\n"
                 "reindex compatta tutte le tabelle e ricostruisce tutti gli indici\n"
                 "backup  salva tabelle e memo di DIR (*.DB?) nell'archivio ZIP\n"
                 "restore ripristina tabelle e memo dall'archivio ZIP in DIR, poi\n"
                 "        ricostruisce tutti gli indici\n"
                 "\n"
                 "codici di uscita: 0 fatto; 1 righe o record rifiutati, o problemi trovati\n"
                 "da check; 2 argomenti errati, un file che non si apre o non si scrive, o\n"
                 "un aggiornamento, una manutenzione, un salvataggio o un ripristino falliti\n";
    return kFailed;
}

// An integrity error of an index file ends the command with its message:
// the tag must be rebuilt (drav-admin check names the damage).
void installFatalHandler() {
    setFatalHandler([](unsigned number, const std::string& text) {
        std::cerr << "drav-admin: errore irreparabile " << number << ": " << text << "\n";
        std::_Exit(kFailed);
    });
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 2) return usage();
    installFatalHandler();
    const std::string& cmd = args[0];
    if (cmd == "init" && args.size() == 2) return init(args[1]);
    if (cmd == "check" && args.size() == 2) return check(args[1]);
    if (cmd == "reindex" && args.size() == 2) return reindex(args[1]);
    if (cmd == "backup" && args.size() == 3) return backup(args[1], absolutePath(args[2]));
    if (cmd == "restore" && args.size() == 3)
        return restore(absolutePath(args[1]), absolutePath(args[2]));
    if (args.size() < 3) return usage();
    if (cmd == "load" && args.size() <= 4) {
        if (args.size() == 4) {
            std::ifstream in(args[3], std::ios::binary);
            if (!in) {
                std::cerr << "drav-admin: impossibile leggere " << args[3] << "\n";
                return kFailed;
            }
            return load(args[1], args[2], in);
        }
        return load(args[1], args[2], std::cin);
    }
    if (cmd == "dump") {
        DumpOptions opt;
        for (size_t i = 3; i < args.size(); i += 2) {
            if (i + 1 >= args.size()) return usage();
            if (args[i] == "--tag")
                opt.tag = args[i + 1];
            else if (args[i] == "--from")
                opt.from = args[i + 1];
            else if (args[i] == "--to")
                opt.to = args[i + 1];
            else
                return usage();
        }
        return dump(args[1], args[2], opt);
    }
    if (cmd == "delete" && args.size() >= 4)
        return remove(args[1], args[2], {args.begin() + 3, args.end()});
    return usage();
}
