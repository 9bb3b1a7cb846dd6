// drav-admin: maintenance of a data folder from scripts and the shell.
//
//   drav-admin load DIR TABLE [CSV]     append the rows of a CSV file (or standard input)
//   drav-admin dump DIR TABLE           write the live records as CSV on standard output
//   drav-admin delete DIR TABLE RECNO...  mark records deleted
//
// Sections: CSV reading and writing; values between CSV text and fields;
// opening a table; the commands; main.
//
// CSV is UTF-8 with "," between fields and "\"" quoting; table text is
// Windows-1252. Dates are dd/mm/yyyy or yyyymmdd, numbers use "." for
// decimals, logicals are T or F, and in memo text "\n" stands for a line
// break ("\\" for a backslash).
//
// Every command opens the table shared, so it can run while the program and
// other drav-admin processes work on the same table: rows are appended
// under the header and append lock, each record written under its own lock.
// The table's index tags are opened and kept current in openTable(), the
// one place every write goes through.
#include "data/dbf/FieldCodec.h"
#include "data/dbf/TableFile.h"
#include "util/Cp1252.h"

#include <QString>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace drav;
using namespace drav::data;

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

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

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
            return fromTableText(rtrim(std::get<std::string>(v)));
    }
}

// ---- Opening ---------------------------------------------------------------

std::string tablePath(const std::string& dir, std::string table) {
    for (char& c : table) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return dir + "/" + table + ".DBF";
}

// Retries what another station holds (an exclusive open, a lock) for up to
// a minute, as the program itself waits for them.
template <typename F>
Status retryBusy(F step) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        Status s = step();
        if (!s.isBusy() || std::chrono::steady_clock::now() > until) return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool openTable(TableFile& t, const std::string& dir, const std::string& table) {
    std::string path = tablePath(dir, table);
    Status s = retryBusy([&] { return t.open(path, File::Share::Shared, false); });
    if (!s) {
        std::cerr << "drav-admin: impossibile aprire " << path << ": " << s.toString() << "\n";
        return false;
    }
    return true;
}

// ---- Commands --------------------------------------------------------------

int load(const std::string& dir, const std::string& table, std::istream& in) {
    TableFile t;
    if (!openTable(t, dir, table)) return 2;
    int line = 0;
    std::vector<std::string> names;
    if (!readCsvRecord(in, &names, &line)) {
        std::cerr << "drav-admin: file CSV vuoto\n";
        return 2;
    }
    if (names[0].rfind("\xEF\xBB\xBF", 0) == 0) names[0].erase(0, 3);  // byte-order mark
    std::vector<int> columns;
    for (const std::string& n : names) {
        int i = t.fieldIndex(n);
        if (n == "_RECNO") {  // the record numbers of a dump are not loaded
            columns.push_back(-1);
            continue;
        }
        if (i < 0) {
            std::cerr << "drav-admin: la tabella " << table << " non ha il campo " << n << "\n";
            return 2;
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
            if (!why.empty()) why = "campo " + names[k] + ": " + why;
        }
        if (!why.empty()) {
            std::cerr << "drav-admin: riga " << rowLine << ": " << why << " (non caricata)\n";
            ++bad;
            continue;
        }
        Status s = retryBusy([&] { return t.append(); });
        for (size_t k = 0; s && k < values.size(); ++k)
            if (columns[k] >= 0) s = t.putField(columns[k], values[k]);
        if (s) s = t.unlockAll();
        if (!s) {
            std::cerr << "drav-admin: riga " << rowLine << ": " << s.toString() << "\n";
            (void)t.close();
            return 2;
        }
        ++loaded;
    }
    if (Status s = t.close(); !s) {
        std::cerr << "drav-admin: " << s.toString() << "\n";
        return 2;
    }
    std::cerr << "drav-admin: " << loaded << " righe caricate, " << bad << " scartate\n";
    return bad ? 1 : 0;
}

int dump(const std::string& dir, const std::string& table) {
    TableFile t;
    if (!openTable(t, dir, table)) return 2;
    std::string out;
    for (int i = 0; i < t.fieldCount(); ++i) out += t.field(i).name + ",";
    out += "_RECNO\n";
    Status s = t.goTop();
    for (; s && !t.eof(); s = t.skip()) {
        for (int i = 0; i < t.fieldCount(); ++i) out += csvField(valueToCsv(t, i)) + ",";
        out += std::to_string(t.recno()) + "\n";
    }
    std::cout << out;
    if (!s) {
        std::cerr << "drav-admin: " << s.toString() << "\n";
        return 2;
    }
    return 0;
}

int remove(const std::string& dir, const std::string& table,
           const std::vector<std::string>& recnos) {
    TableFile t;
    if (!openTable(t, dir, table)) return 2;
    int result = 0;
    for (const std::string& r : recnos) {
        char* end = nullptr;
        unsigned long n = std::strtoul(r.c_str(), &end, 10);
        uint32_t count = 0;
        if (r.empty() || *end || n == 0 || !t.recCount(&count) || n > count) {
            std::cerr << "drav-admin: record " << r << " inesistente\n";
            result = 1;
            continue;
        }
        Status s = t.goTo(static_cast<uint32_t>(n));
        if (s) s = retryBusy([&] { return t.lockRecord(); });
        if (s && !t.deleted()) s = t.deleteRecord();
        if (s) s = t.unlockAll();
        if (!s) {
            std::cerr << "drav-admin: record " << r << ": " << s.toString() << "\n";
            result = 2;
        }
    }
    if (Status s = t.close(); !s) return 2;
    return result;
}

int usage() {
    std::cerr << "uso: drav-admin load DIR TABELLA [CSV]\n"
                 "     drav-admin dump DIR TABELLA\n"
                 "     drav-admin delete DIR TABELLA NUMERO...\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 3) return usage();
    const std::string& cmd = args[0];
    if (cmd == "load" && args.size() <= 4) {
        if (args.size() == 4) {
            std::ifstream in(args[3], std::ios::binary);
            if (!in) {
                std::cerr << "drav-admin: impossibile leggere " << args[3] << "\n";
                return 2;
            }
            return load(args[1], args[2], in);
        }
        return load(args[1], args[2], std::cin);
    }
    if (cmd == "dump" && args.size() == 3) return dump(args[1], args[2]);
    if (cmd == "delete" && args.size() >= 4)
        return remove(args[1], args[2], {args.begin() + 3, args.end()});
    return usage();
}
