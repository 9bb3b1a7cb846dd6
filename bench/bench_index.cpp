// Index engine figures on a synthetic runs table (1,000,000 records by
// default: 300 runs a day, a run in 25 without a number, one in 12
// suspended), next to SQLite doing the same work on the same rows:
//
//   build     each of the three runs tags  vs  CREATE INDEX of the same index
//             (time, and peak memory above the process before the build)
//   seek      random runs by day and number  vs  an indexed SELECT
//   count     one day's numbered runs (a scope of ~300 keys)  vs  SELECT count(*)
//   insert    new runs one by one with the three tags kept  vs  autocommit INSERTs
//
// Usage: bench_index [--records N] [--dir FOLDER]
#include "data/RecordContext.h"
#include "data/cdx/IndexFile.h"
#include "data/cdx/IndexTag.h"
#include "data/expr/Expression.h"

#include <sqlite3.h>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace drav;
using namespace drav::data;

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// Peak resident memory, reset so that each phase measures its own.
long peakKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}
long currentKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The runs table's fields, records made up from their number.
struct Field {
    const char* name;
    char type;
    int length, offset;
};
const Field kFields[] = {{"NUMERO", 'N', 3, 1},
                         {"DATA", 'D', 8, 4},
                         {"ORA", 'C', 5, 12},
                         {"CLIENTE", 'C', 35, 17},
                         {"SOSPESO", 'L', 1, 52}};
constexpr int kRecordLength = 53;
constexpr int kPerDay = 300;

// The records are made once, before anything is timed, and kept as a table
// keeps them (the deleted mark, then the fields as stored text), so a build
// pays for reading records, not for making them up.
class Runs : public RecordContext, public RecordScan {
public:
    explicit Runs(uint32_t count) : m_count(count), m_rows(size_t(count) * kRecordLength) {
        std::memset(m_blank, ' ', sizeof m_blank);
        for (uint32_t r = 1; r <= count; ++r) {
            make(r);
            std::memcpy(&m_rows[size_t(r - 1) * kRecordLength], m_buf, kRecordLength);
        }
        fill(0);
    }

    void fill(uint32_t recno) {
        m_recno = recno;
        m_row = recno ? &m_rows[size_t(recno - 1) * kRecordLength] : m_blank;
    }

    void make(uint32_t recno) {
        std::memset(m_buf, ' ', sizeof m_buf);
        if (recno == 0) return;
        uint32_t i = recno - 1;
        uint32_t day = i / kPerDay, n = i % kPerDay + 1;
        if (n % 25 == 0) n = 0;  // a scheduled run: no number yet
        char tmp[64];
        std::snprintf(tmp, sizeof tmp, "%3u", n);
        std::memcpy(m_buf + 1, tmp, 3);
        Date d = Date::fromYmd(2000, 1, 1).addDays(static_cast<int>(day));
        std::memcpy(m_buf + 4, d.dtos().data(), 8);
        std::snprintf(tmp, sizeof tmp, "%02u:%02u", 8 + (i % 600) / 60, i % 60);
        std::memcpy(m_buf + 12, tmp, 5);
        std::snprintf(tmp, sizeof tmp, "CLIENTE %u", (i * 7919) % 5000);
        std::memcpy(m_buf + 17, tmp, std::strlen(tmp));
        m_buf[52] = i % 12 == 0 ? 'T' : 'F';
    }

    int fieldIndex(std::string_view name) const override {
        for (int i = 0; i < 5; ++i)
            if (strncasecmp(kFields[i].name, name.data(), name.size()) == 0 &&
                std::strlen(kFields[i].name) == name.size())
                return i;
        return -1;
    }
    char fieldType(int i) const override { return kFields[i].type; }
    int fieldLength(int i) const override { return kFields[i].length; }
    int fieldDecimals(int) const override { return 0; }
    Value fieldValue(int) const override { return {}; }
    std::string_view fieldBytes(int i) const override {
        return {m_row + kFields[i].offset, static_cast<size_t>(kFields[i].length)};
    }
    bool deleted() const override { return false; }
    uint32_t recno() const override { return m_recno; }

    const RecordContext& currentRecord() override { return *this; }
    Status forEach(const std::function<Status(const RecordContext&)>& visit) override {
        for (uint32_t r = 1; r <= m_count; ++r) {
            fill(r);
            if (Status s = visit(*this); !s) return s;
        }
        fill(0);
        return Status::ok();
    }
    uint32_t maxRecno() override { return m_count; }

    uint32_t m_count;
    std::vector<char> m_rows;
    uint32_t m_recno = 0;
    char m_buf[kRecordLength];
    char m_blank[kRecordLength];
    const char* m_row = m_blank;
};

struct Tag {
    const char* file;
    const char* key;
    const char* condition;
    const char* sqlIndex;
};
const Tag kTags[] = {
    {"CORSE.NTX", "DTOS( data ) + STR( numero, 3 )", "!EMPTY( numero ) .AND. !DELETED()",
     "CREATE INDEX corse ON runs(data, numero) WHERE numero <> 0"},
    {"FUTURE.NTX", "DTOS( data ) + ora", "EMPTY( numero ) .AND. !DELETED()",
     "CREATE INDEX future ON runs(data, ora) WHERE numero = 0"},
    {"SOSPESI.NTX", "IF( sospeso, \"S\", \" \" ) + DTOS( data ) + STR( numero, 3 )", "!DELETED()",
     "CREATE INDEX sospesi ON runs(sospeso, data, numero)"},
};

void sql(sqlite3* db, const char* text) {
    char* err = nullptr;
    if (sqlite3_exec(db, text, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s: %s\n", text, err);
        std::exit(1);
    }
}

void row(const char* what, double mine, double theirs, const char* unit) {
    std::printf("%-34s %12.3f %12.3f %s   ratio %.2f\n", what, mine, theirs, unit,
                theirs > 0 ? mine / theirs : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t records = 1000000;
    std::string dir = std::filesystem::temp_directory_path().string();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--records"))
            records = static_cast<uint32_t>(std::stoul(argv[i + 1]));
        if (!std::strcmp(argv[i], "--dir")) dir = argv[i + 1];
    }
    dir += "/bench_index." + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    Runs runs(records);
    const uint32_t days = (records + kPerDay - 1) / kPerDay;
    std::printf("%u records, %u days; folder %s\n", records, days, dir.c_str());
    std::printf("%-34s %12s %12s\n", "", "index", "sqlite");

    // SQLite: the same rows in a table (not timed), the same indexes.
    sqlite3* db = nullptr;
    sqlite3_open((dir + "/runs.db").c_str(), &db);
    sql(db, "CREATE TABLE runs(numero INTEGER, data TEXT, ora TEXT, cliente TEXT, sospeso TEXT)");
    sql(db, "BEGIN");
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO runs VALUES(?,?,?,?,?)", -1, &ins, nullptr);
    for (uint32_t r = 1; r <= records; ++r) {
        runs.fill(r);
        auto text = [&](int f, int col) {
            std::string_view b = runs.fieldBytes(f);
            sqlite3_bind_text(ins, col, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        };
        sqlite3_bind_int(ins, 1, std::atoi(std::string(runs.fieldBytes(0)).c_str()));
        text(1, 2), text(2, 3), text(3, 4), text(4, 5);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sql(db, "COMMIT");
    runs.fill(0);

    // ---- Key evaluation alone -------------------------------------------------------
    {
        Expression key;
        if (!Expression::compile("DTOS( data ) + STR( numero, 3 )", runs, key)) return 1;
        std::string buf;
        size_t sum = 0;
        auto start = Clock::now();
        for (uint32_t r = 1; r <= records; ++r) {
            runs.fill(r);
            buf.clear();
            key.appendText(runs, buf);
            sum += static_cast<unsigned char>(buf[10]);
        }
        std::printf("%-34s %12.3f %12s   (%zu)\n", "keys DTOS(data)+STR(numero,3) (s)",
                    since(start), "-", sum % 10);
        runs.fill(0);
    }

    // ---- Builds ------------------------------------------------------------------
    std::vector<std::unique_ptr<IndexFile>> files;
    for (const Tag& t : kTags) {
        IndexBuildOptions o;
        o.keyText = t.key;
        o.conditionText = t.condition;
        o.shared = true;
        o.tempFolder = dir;
        long base = currentKiB();
        resetPeak();
        auto start = Clock::now();
        std::unique_ptr<IndexFile> f;
        Status s = IndexFile::create(dir + "/" + t.file, runs, o, f);
        double mine = since(start);
        long peak = peakKiB() - base;
        if (!s) {
            std::fprintf(stderr, "build %s: %s\n", t.file, s.toString().c_str());
            return 1;
        }
        start = Clock::now();
        sql(db, t.sqlIndex);
        double theirs = since(start);
        row((std::string("build ") + t.file + " (s)").c_str(), mine, theirs, "");
        std::printf("%-34s %12ld KiB above the process before it\n", "  peak memory of the build",
                    peak);
        files.push_back(std::move(f));
    }

    // ---- Seeks ------------------------------------------------------------------------
    std::mt19937 rng(1);
    IndexTag& corse = files[0]->tag();
    const int seeks = 200000;
    std::vector<std::pair<uint32_t, uint32_t>> targets;
    for (int i = 0; i < seeks; ++i) targets.emplace_back(rng() % days, 1 + rng() % kPerDay);
    auto keyOf = [](uint32_t day, uint32_t n) {
        char k[16];
        std::snprintf(k, sizeof k, "%s%3u",
                      Date::fromYmd(2000, 1, 1).addDays(static_cast<int>(day)).dtos().c_str(), n);
        return std::string(k);
    };
    int hits = 0;
    auto start = Clock::now();
    for (auto [day, n] : targets) {
        bool found = false;
        (void)corse.seekBytes(keyOf(day, n), false, &found);
        hits += found;
    }
    double mineSeek = since(start) / seeks * 1e6;
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid FROM runs WHERE data = ? AND numero = ? AND numero <> 0",
                       -1, &q, nullptr);
    int sqlHits = 0;
    start = Clock::now();
    for (auto [day, n] : targets) {
        std::string d = Date::fromYmd(2000, 1, 1).addDays(static_cast<int>(day)).dtos();
        sqlite3_bind_text(q, 1, d.data(), 8, SQLITE_TRANSIENT);
        sqlite3_bind_int(q, 2, static_cast<int>(n));
        sqlHits += sqlite3_step(q) == SQLITE_ROW;
        sqlite3_reset(q);
    }
    double theirSeek = since(start) / seeks * 1e6;
    sqlite3_finalize(q);
    row("random seek, shared file (us)", mineSeek, theirSeek, "");
    if (hits != sqlHits) std::printf("  (found %d, sqlite %d)\n", hits, sqlHits);

    // ---- Scoped counts -------------------------------------------------------------------
    const int counts = 20000;
    uint64_t total = 0;
    start = Clock::now();
    for (int i = 0; i < counts; ++i) {
        std::string d = Date::fromYmd(2000, 1, 1).addDays(static_cast<int>(rng() % days)).dtos();
        corse.setScopeBytes(d, d);
        uint64_t n = 0;
        (void)corse.keyCount(&n);
        total += n;
    }
    double mineCount = since(start) / counts * 1e6;
    corse.clearScope();
    sqlite3_prepare_v2(db, "SELECT count(*) FROM runs WHERE data = ? AND numero <> 0", -1, &q,
                       nullptr);
    uint64_t sqlTotal = 0;
    start = Clock::now();
    for (int i = 0; i < counts; ++i) {
        std::string d = Date::fromYmd(2000, 1, 1).addDays(static_cast<int>(rng() % days)).dtos();
        sqlite3_bind_text(q, 1, d.data(), 8, SQLITE_TRANSIENT);
        sqlite3_step(q);
        sqlTotal += static_cast<uint64_t>(sqlite3_column_int64(q, 0));
        sqlite3_reset(q);
    }
    double theirCount = since(start) / counts * 1e6;
    sqlite3_finalize(q);
    row("count of one day's runs (us)", mineCount, theirCount, "");
    std::printf("%-34s %12.1f %12.1f keys a day\n", "", double(total) / counts,
                double(sqlTotal) / counts);

    // ---- One-by-one inserts with the three tags kept ---------------------------------------
    const int inserts = 20000;
    Runs fresh(records + 2 * inserts);
    start = Clock::now();
    for (int i = 0; i < inserts; ++i) {
        fresh.fill(records + 1 + static_cast<uint32_t>(i));
        for (auto& f : files) {
            (void)f->tag().beforeChange(fresh, true);
            (void)f->tag().recordWritten(fresh);
        }
    }
    double mineInsert = since(start) / inserts * 1e6;
    for (const char* sync : {"FULL", "OFF"}) {
        sql(db, (std::string("PRAGMA synchronous=") + sync).c_str());
        sqlite3_prepare_v2(db, "INSERT INTO runs VALUES(?,?,?,?,?)", -1, &ins, nullptr);
        const int n = std::strcmp(sync, "FULL") == 0 ? 500 : inserts;
        start = Clock::now();
        for (int i = 0; i < n; ++i) {
            fresh.fill(records + inserts + 1 + static_cast<uint32_t>(i));
            auto text = [&](int f, int col) {
                std::string_view b = fresh.fieldBytes(f);
                sqlite3_bind_text(ins, col, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
            };
            sqlite3_bind_int(ins, 1, std::atoi(std::string(fresh.fieldBytes(0)).c_str()));
            text(1, 2), text(2, 3), text(3, 4), text(4, 5);
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
        double theirs = since(start) / n * 1e6;
        sqlite3_finalize(ins);
        row((std::string("insert, 3 tags, sync ") + sync + " (us)").c_str(), mineInsert, theirs,
            "");
    }

    files.clear();
    sqlite3_close(db);
    std::filesystem::remove_all(dir);
    return 0;
}
