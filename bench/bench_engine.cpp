// The table engine on the runs table, next to SQLite doing the same work on
// the same rows in the same run.
//
// Data: CORSE with its memo file and its three tags, made up from a fixed
// seed (bench/CorseRuns.h). SQLite holds the same rows in one
// table with the three equivalent indexes, in WAL mode with
// synchronous=NORMAL.
//
// Phases (each timed on both sides; the making of the rows is not timed):
//   bulk      1,000,000 appends to the table open exclusively   vs  INSERTs in one transaction
//   build     each tag from the table                           vs  CREATE INDEX of the same
//   append    100,000 appends one by one to the table open shared, with its locks and its
//             three tags kept                                    vs  autocommit INSERTs
//   seek      100,000 random runs by date and number, and the record read
//                                                                vs  an indexed SELECT
//   count     one day's numbered runs (a scope of ~290 keys); the whole CORSE tag
//                                                                vs  SELECT count(*)
//   filter    the runs whose requester, sender or recipient holds a text (any letter
//             case), in CORSE order                              vs  the same SELECT ... ORDER BY
// with the peak memory of each phase (VmHWM, reset before it) above what
// the process held when it started.
//
// Usage: bench_engine [--records N] [--appends N] [--dir FOLDER]
//
// Sections: figures; SQLite; the phases; main.
#include "bench/CorseRuns.h"
#include "bench/Measure.h"
#include "data/cdx/IndexFile.h"
#include "data/cdx/IndexTag.h"
#include "data/dbf/TableFile.h"
#include "data/expr/Expression.h"
#include "data/schema/Schema.h"

#include <sqlite3.h>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace drav;
using namespace drav::data;
using namespace drav::bench;

namespace {

// ---- Figures ------------------------------------------------------------------------

struct Figure {
    std::string what, unit;
    double mine = 0, theirs = 0;
    double mineMiB = -1, theirMiB = -1;
    const char* target = "";
};
std::vector<Figure> g_figures;

void print(const Figure& f) {
    std::printf("%-36s %10.3f %10.3f %-3s %6.2f", f.what.c_str(), f.mine, f.theirs, f.unit.c_str(),
                f.theirs > 0 ? f.mine / f.theirs : 0.0);
    if (f.mineMiB >= 0)
        std::printf("  %8.1f %8.1f", f.mineMiB, f.theirMiB);
    else
        std::printf("  %8s %8s", "", "");
    std::printf("  %s\n", f.target);
    std::fflush(stdout);
}

void add(Figure f) {
    print(f);
    g_figures.push_back(std::move(f));
}

// ---- SQLite ----------------------------------------------------------------------------

void sql(sqlite3* db, const std::string& text) {
    char* err = nullptr;
    if (sqlite3_exec(db, text.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s: %s\n", text.c_str(), err);
        std::exit(1);
    }
}

sqlite3_stmt* prepare(sqlite3* db, const char* text) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, text, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s: %s\n", text, sqlite3_errmsg(db));
        std::exit(1);
    }
    return st;
}

const char* const kSqlTable =
    "CREATE TABLE corse(numero INTEGER, data TEXT, ora TEXT, cliente TEXT, mittente TEXT, "
    "indmitt TEXT, citmitt TEXT, notmitt TEXT, destinat TEXT, inddest TEXT, citdest TEXT, "
    "teldest TEXT, notdest TEXT, buoni INTEGER, numbuono TEXT, pony1 TEXT, importo1 REAL, "
    "pony2 TEXT, importo2 REAL, contanti INTEGER, impcont REAL, consegnata INTEGER, fax INTEGER, "
    "sospeso INTEGER)";
const char* const kSqlInsert =
    "INSERT INTO corse VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

// The same three orders as the tags, with the same conditions.
const char* const kSqlIndexes[] = {
    "CREATE INDEX corse_tag ON corse(data, numero) WHERE numero <> 0",
    "CREATE INDEX future_tag ON corse(data, ora) WHERE numero = 0",
    "CREATE INDEX sospesi_tag ON corse(sospeso DESC, data, numero)",
};

const char* const kSqlIndexNames[] = {"corse_tag", "future_tag", "sospesi_tag"};

void bindRun(sqlite3_stmt* st, const RunRow& row) {
    auto text = [&](int col, const std::string& v) {
        sqlite3_bind_text(st, col, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    };
    sqlite3_bind_int(st, 1, row.numero);
    text(2, row.data.dtos());
    sqlite3_bind_text(st, 3, row.ora, 5, SQLITE_TRANSIENT);
    text(4, row.cliente);
    text(5, row.mittente);
    text(6, row.indmitt);
    text(7, row.citmitt);
    text(8, row.notmitt);
    text(9, row.destinat);
    text(10, row.inddest);
    text(11, row.citdest);
    text(12, row.teldest);
    text(13, row.notdest);
    sqlite3_bind_int(st, 14, row.buoni);
    text(15, row.numbuono);
    text(16, row.pony1);
    sqlite3_bind_double(st, 17, row.importo1);
    text(18, row.pony2);
    sqlite3_bind_double(st, 19, row.importo2);
    sqlite3_bind_int(st, 20, row.contanti);
    sqlite3_bind_double(st, 21, row.impcont);
    sqlite3_bind_int(st, 22, row.consegnata);
    sqlite3_bind_int(st, 23, row.fax);
    sqlite3_bind_int(st, 24, row.sospeso);
}

void step(sqlite3* db, sqlite3_stmt* st) {
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// ---- The phases -----------------------------------------------------------------------

struct Bench {
    std::string dir, table;
    uint32_t records = 1000000, appends = 100000;
    sqlite3* db = nullptr;
    RunRow row;

    std::string tagPath(const std::string& name) const { return dir + "/" + name + ".NTX"; }

    void bulk() {
        Figure f{"bulk append of the records", "s"};
        {
            TableFile t;
            if (Status s = t.open(table, File::Share::Exclusive, false); !s) fail("open", s);
            Peak peak;
            double spent = 0;
            for (uint32_t r = 1; r <= records; ++r) {
                makeRun(r, row);
                auto start = Clock::now();
                Status s = t.append();
                if (s) s = putRun(t, row);
                if (s) s = t.commit();
                spent += since(start);
                if (!s) fail("append", s);
            }
            auto start = Clock::now();
            if (Status s = t.close(); !s) fail("close", s);
            f.mine = spent + since(start);
            f.mineMiB = peak.mib();
        }
        {
            Peak peak;
            sqlite3_stmt* ins = prepare(db, kSqlInsert);
            double spent = 0;
            auto start = Clock::now();
            sql(db, "BEGIN");
            spent += since(start);
            for (uint32_t r = 1; r <= records; ++r) {
                makeRun(r, row);
                start = Clock::now();
                bindRun(ins, row);
                step(db, ins);
                sqlite3_reset(ins);
                spent += since(start);
            }
            start = Clock::now();
            sql(db, "COMMIT");
            sqlite3_finalize(ins);
            f.theirs = spent + since(start);
            f.theirMiB = peak.mib();
        }
        add(f);
    }

    // Each build is run three times on both sides, alternating, and the
    // best time of each side kept: on a machine shared with other work the
    // best of three is the figure least disturbed by it.
    void build() {
        TableFile t;
        if (Status s = t.open(table, File::Share::Exclusive, false); !s) fail("open", s);
        for (int i = 0; i < 3; ++i) {
            const TagDef* def = findTag(kTagNames[i]);
            Figure f{"build of tag " + def->name, "s"};
            f.target = "<= 1.00";
            f.mine = f.theirs = 1e9;
            for (int round = 0; round < 3; ++round) {
                {
                    Peak peak;
                    auto start = Clock::now();
                    IndexBuildOptions o;
                    o.keyText = def->keyText;
                    o.conditionText = def->conditionText;
                    o.shared = false;
                    o.tableName = "CORSE";
                    o.tempFolder = dir;
                    std::unique_ptr<IndexFile> file;
                    auto scan = t.scan();
                    if (Status s = IndexFile::create(tagPath(def->name), *scan, o, file); !s)
                        fail("build", s);
                    file.reset();
                    f.mine = std::min(f.mine, since(start));
                    f.mineMiB = std::max(f.mineMiB, peak.mib());
                }
                {
                    if (round > 0) sql(db, std::string("DROP INDEX ") + kSqlIndexNames[i]);
                    Peak peak;
                    auto start = Clock::now();
                    sql(db, kSqlIndexes[i]);
                    f.theirs = std::min(f.theirs, since(start));
                    f.theirMiB = std::max(f.theirMiB, peak.mib());
                }
            }
            add(f);
        }
    }

    // The table as a station holds it: shared, its three tags following.
    struct Station {
        TableFile table;
        std::vector<std::unique_ptr<IndexFile>> tags;
        Station(const Bench& b, bool readOnly) {
            if (Status s = table.open(b.table, File::Share::Shared, readOnly); !s) fail("open", s);
            for (const char* name : kTagNames) {
                IndexOpenOptions o;
                o.readOnly = readOnly;
                o.tableName = "CORSE";
                std::unique_ptr<IndexFile> f;
                if (Status s = IndexFile::open(b.tagPath(name), table, o, f); !s) fail("tag", s);
                table.addObserver(&f->tag());
                tags.push_back(std::move(f));
            }
        }
        ~Station() {
            (void)table.close();
            for (auto& f : tags) table.removeObserver(&f->tag());
        }
    };

    void appendOneByOne() {
        Figure f{"append one by one, 3 tags, shared", "us"};
        f.target = "<= 2.00";
        {
            Station st(*this, false);
            Peak peak;
            double spent = 0;
            for (uint32_t i = 1; i <= appends; ++i) {
                makeRun(records + i, row);
                auto start = Clock::now();
                Status s = st.table.append();
                if (s) s = putRun(st.table, row);
                if (s) s = st.table.unlockAll();
                spent += since(start);
                if (!s) fail("shared append", s);
            }
            f.mine = spent / appends * 1e6;
            f.mineMiB = peak.mib();
        }
        {
            sql(db, "PRAGMA synchronous=NORMAL");
            sqlite3_stmt* ins = prepare(db, kSqlInsert);
            Peak peak;
            double spent = 0;
            for (uint32_t i = 1; i <= appends; ++i) {
                makeRun(records + i, row);
                auto start = Clock::now();
                bindRun(ins, row);
                step(db, ins);
                sqlite3_reset(ins);
                spent += since(start);
            }
            sqlite3_finalize(ins);
            f.theirs = spent / appends * 1e6;
            f.theirMiB = peak.mib();
        }
        add(f);
    }

    static std::string corseKey(const Date& d, int numero) {
        char n[8];
        std::snprintf(n, sizeof n, "%3d", numero);
        return d.dtos() + n;
    }

    void seeksAndCounts() {
        const uint32_t total = records + appends;
        const int days = static_cast<int>((total + kPerDay - 1) / kPerDay);
        const int seeks = 100000, counts = 20000;
        std::mt19937 rng(7);
        std::vector<std::pair<int, int>> targets;
        for (int i = 0; i < seeks; ++i)
            targets.emplace_back(static_cast<int>(rng() % days),
                                 1 + static_cast<int>(rng() % kPerDay));
        std::vector<int> countDays;
        for (int i = 0; i < counts; ++i) countDays.push_back(static_cast<int>(rng() % days));

        Station st(*this, true);
        IndexTag& corse = st.tags[0]->tag();
        Figure seek{"seek by date and number, read record", "us"};
        seek.target = "<= 1.50";
        Figure day{"count of one day's runs", "us"};
        day.target = "<= 1.50";
        Figure all{"count of the whole CORSE tag", "ms"};
        long mineHits = 0, theirHits = 0;
        uint64_t mineKeys = 0, theirKeys = 0;
        {
            Peak peak;
            Value v;
            auto start = Clock::now();
            for (auto [d, n] : targets) {
                bool found = false;
                if (Status s = corse.seekBytes(corseKey(kFirstDay.addDays(d), n), false, &found);
                    !s)
                    fail("seek", s);
                if (!found) continue;
                if (Status s = st.table.goTo(corse.recno()); !s) fail("goto", s);
                if (Status s = st.table.getField(CLIENTE, &v); !s) fail("field", s);
                mineHits += !std::get<std::string>(v).empty();
            }
            seek.mine = since(start) / seeks * 1e6;
            seek.mineMiB = peak.mib();
        }
        {
            Peak peak;
            auto start = Clock::now();
            for (int d : countDays) {
                std::string k = kFirstDay.addDays(d).dtos();
                corse.setScopeBytes(k, k);
                uint64_t n = 0;
                if (Status s = corse.keyCount(&n); !s) fail("count", s);
                mineKeys += n;
            }
            day.mine = since(start) / counts * 1e6;
            day.mineMiB = peak.mib();
            corse.clearScope();
        }
        {
            Peak peak;
            auto start = Clock::now();
            uint64_t n = 0;
            if (Status s = corse.keyCount(&n); !s) fail("count", s);
            all.mine = since(start) * 1e3;
            all.mineMiB = peak.mib();
            std::printf("  (tag CORSE: %llu keys", static_cast<unsigned long long>(n));
        }
        sqlite3_stmt* q =
            prepare(db, "SELECT cliente FROM corse WHERE data = ? AND numero = ? AND numero <> 0");
        {
            Peak peak;
            auto start = Clock::now();
            for (auto [d, n] : targets) {
                std::string k = kFirstDay.addDays(d).dtos();
                sqlite3_bind_text(q, 1, k.data(), 8, SQLITE_TRANSIENT);
                sqlite3_bind_int(q, 2, n);
                if (sqlite3_step(q) == SQLITE_ROW) theirHits += sqlite3_column_bytes(q, 0) > 0;
                sqlite3_reset(q);
            }
            seek.theirs = since(start) / seeks * 1e6;
            seek.theirMiB = peak.mib();
        }
        sqlite3_finalize(q);
        q = prepare(db, "SELECT count(*) FROM corse WHERE data = ? AND numero <> 0");
        {
            Peak peak;
            auto start = Clock::now();
            for (int d : countDays) {
                std::string k = kFirstDay.addDays(d).dtos();
                sqlite3_bind_text(q, 1, k.data(), 8, SQLITE_TRANSIENT);
                step(db, q);
                theirKeys += static_cast<uint64_t>(sqlite3_column_int64(q, 0));
                sqlite3_reset(q);
            }
            day.theirs = since(start) / counts * 1e6;
            day.theirMiB = peak.mib();
        }
        sqlite3_finalize(q);
        q = prepare(db, "SELECT count(*) FROM corse WHERE numero <> 0");
        {
            Peak peak;
            auto start = Clock::now();
            step(db, q);
            all.theirs = since(start) * 1e3;
            all.theirMiB = peak.mib();
            std::printf(", sqlite %lld)\n", static_cast<long long>(sqlite3_column_int64(q, 0)));
        }
        sqlite3_finalize(q);
        if (mineHits != theirHits || mineKeys != theirKeys)
            std::printf("  results differ: found %ld/%ld, counted %llu/%llu\n", mineHits, theirHits,
                        static_cast<unsigned long long>(mineKeys),
                        static_cast<unsigned long long>(theirKeys));
        add(seek);
        add(day);
        add(all);
    }

    // A view-like list: the numbered runs whose requester, sender or
    // recipient holds the text in any letter case, in CORSE order. The
    // table is read once in physical order (large blocks) to mark the
    // records that meet the condition; the tag then gives their order.
    void filter(const std::string& text) {
        Figure f{"filtered list \"" + text + "\", CORSE order", "s"};
        f.target = "<= 1.00";
        std::string upper = text;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        size_t mine = 0, theirs = 0;
        {
            Station st(*this, true);
            Peak peak;
            auto start = Clock::now();
            Expression cond;
            std::string condText = "\"" + upper + "\" $ UPPER( cliente ) .OR. \"" + upper +
                                   "\" $ UPPER( mittente ) .OR. \"" + upper +
                                   "\" $ UPPER( destinat )";
            if (Status s = Expression::compile(condText, st.table, cond); !s) fail("compile", s);
            std::vector<bool> meets;
            auto scan = st.table.scan();
            meets.resize(scan->maxRecno() + 1);
            Status s = scan->forEach([&](const RecordContext& r) {
                if (!r.deleted() && cond.logical(r)) meets[r.recno()] = true;
                return Status::ok();
            });
            if (!s) fail("scan", s);
            std::vector<uint32_t> list;
            IndexTag& corse = st.tags[0]->tag();
            IndexFile::ReadLock lock(corse.file());  // one lock for the whole walk
            for (s = corse.goTop(); s && !corse.eof(); s = corse.next())
                if (corse.recno() < meets.size() && meets[corse.recno()])
                    list.push_back(corse.recno());
            if (!s) fail("walk", s);
            f.mine = since(start);
            f.mineMiB = peak.mib();
            mine = list.size();
        }
        {
            Peak peak;
            auto start = Clock::now();
            sqlite3_stmt* q =
                prepare(db,
                        "SELECT rowid FROM corse INDEXED BY corse_tag WHERE numero <> 0 AND "
                        "(instr(upper(cliente), ?1) OR instr(upper(mittente), ?1) OR "
                        "instr(upper(destinat), ?1)) ORDER BY data, numero");
            sqlite3_bind_text(q, 1, upper.data(), static_cast<int>(upper.size()), SQLITE_TRANSIENT);
            std::vector<int64_t> list;
            while (sqlite3_step(q) == SQLITE_ROW) list.push_back(sqlite3_column_int64(q, 0));
            sqlite3_finalize(q);
            f.theirs = since(start);
            f.theirMiB = peak.mib();
            theirs = list.size();
        }
        if (mine != theirs) std::printf("  results differ: %zu / %zu\n", mine, theirs);
        add(f);
    }

    static constexpr const char* kTagNames[] = {"CORSE", "FUTURE", "SOSPESI"};
};

}  // namespace

// ---- Main ---------------------------------------------------------------------------------

int main(int argc, char** argv) {
    Bench b;
    std::string base = std::filesystem::temp_directory_path().string();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--records"))
            b.records = static_cast<uint32_t>(std::stoul(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--appends"))
            b.appends = static_cast<uint32_t>(std::stoul(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--dir"))
            base = argv[i + 1];
    }
    b.dir = base + "/bench_engine." + std::to_string(::getpid());
    std::filesystem::create_directories(b.dir);
    b.table = b.dir + "/CORSE.DBF";
    if (Status s = TableFile::create(b.table, findTable("CORSE")->fields); !s) fail("create", s);
    sqlite3_open((b.dir + "/corse.db").c_str(), &b.db);
    sql(b.db, "PRAGMA journal_mode=WAL");
    sql(b.db, "PRAGMA synchronous=NORMAL");
    sql(b.db, kSqlTable);

    std::printf("CORSE: %u records (%u days of %d runs), then %u appends; folder %s\n", b.records,
                (b.records + kPerDay - 1) / kPerDay, kPerDay, b.appends, b.dir.c_str());
    std::printf("%-36s %10s %10s %-3s %6s  %8s %8s  %s\n", "", "engine", "sqlite", "", "ratio",
                "MiB eng", "MiB sql", "target");
    // Each phase starts with nothing left to write back from the one
    // before, so neither side pays for the other's dirty pages.
    b.bulk();
    ::sync();
    b.build();
    ::sync();
    b.appendOneByOne();
    ::sync();
    b.seeksAndCounts();
    b.filter("rossi");
    b.filter("Farmacia");

    sqlite3_close(b.db);
    std::filesystem::remove_all(b.dir);
    return 0;
}
