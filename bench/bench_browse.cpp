// The runs list on screen over a small and a large runs table: what the
// dispatcher does with the list should cost the same with a hundred runs
// or a million, since every move goes through the CORSE tag.
//
// Data: two data folders, each with CORSE made up from the fixed seed of
// bench/CorseRuns.h and its three tags: 100 runs, and --records runs
// (1,000,000 by default). Making them is not timed.
//
// Each folder is opened shared as a station opens it (dbOpen, ordAdd of the
// three tags, ordSetFocus on CORSE) and shown in a list of five columns and
// about twenty rows on the offscreen platform. Operations (each one with
// its repaint; the mean time of one operation is printed):
//   open      the table and its tags opened, the form built, shown and painted
//   pgdn      PageDown, 100 in a row from the top
//   end       End
//   pgup      PageUp, 100 in a row from the end
//   home      Home
//   thumb     the scroll thumb dropped at a random position
//   search    a date typed in full (8 keys), sought as a prefix of the keys
//   stabilize the list stabilized after a second handle of the table (another
//             slot, as another form or station) appended a run
// The sequence pgdn, end, pgup, home is repeated --rounds times (10). Beside
// the times: the index steps (records passed, ends reached, seeks) and the
// tree look-ups (key counts and positions) of one operation, and the peak
// memory of each folder's work above what the process held before it; last,
// the time of one key count of the whole tag, the look-up the scroll bar's
// range and position rest on.
//
// Usage: bench_browse [--records N] [--rounds N] [--dir FOLDER]
//
// Sections: the folders; the list; the operations; main.
#include "bench/CorseRuns.h"
#include "bench/Measure.h"
#include "data/access/KeySearch.h"
#include "data/access/Slots.h"
#include "data/access/Table.h"
#include "data/access/TableAccess.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"
#include "tests/support/CountingOrder.h"
#include "ui/FormTemplate.h"
#include "ui/TDialog.h"
#include "ui/TWBrowse.h"
#include "util/Error.h"
#include "util/Paths.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace drav;
using namespace drav::data;
using namespace drav::bench;
namespace fs = std::filesystem;

namespace {

// ---- The folders ---------------------------------------------------------------------

// CORSE with its records, then its tags built through the access layer.
void makeFolder(const std::string& dir, uint32_t records) {
    fs::create_directories(dir);
    const std::string table = dir + "/CORSE.DBF";
    const TableDef* def = findTable("CORSE");
    if (Status s = TableFile::create(table, def->fields); !s) fail("create", s);
    fillRuns(table, records);
    dbOpen(true, table, {}, false);
    for (const std::string& name : def->tags) {
        const TagDef* tag = findTag(name);
        ordCondSet(tag->conditionText);
        ordBuild(dir + "/" + tag->name, tag->keyExpression);
    }
    dbClose();
}

// ---- The list --------------------------------------------------------------------------

const QString kForm = QStringLiteral("BENCHBROWSE");

void registerForm() {
    ui::registerTemplate(kForm, [](QWidget& w) {
        ui::TemplateBuilder b(w, 330, 206, QStringLiteral("Corse"));
        b.custom(101, QRect(6, 6, 318, 176));
        b.button(201, QStringLiteral("&Chiudi"), QRect(274, 187, 50, 14));
    });
}

// A folder's table open shared in its own slot, its CORSE tag controlling
// through the counting wrapper, and the list of runs shown over it.
struct Station {
    Table* table = nullptr;
    test::CountingOrder* order = nullptr;
    std::unique_ptr<ui::TDialog> form;
    ui::TWBrowse* list = nullptr;

    Station(const std::string& dir, const std::string& alias) {
        table = &dbOpen(true, dir + "/CORSE.DBF", alias);
        for (const std::string& tag : findTable("CORSE")->tags) ordAdd(dir + "/" + tag);
        ordSetFocus("CORSE");
        auto counting = std::make_unique<test::CountingOrder>(*table->order(table->orderNumber()));
        order = counting.get();
        table->addOrder(std::move(counting));
        table->setOrder(table->orderCount());
        table->goTop();

        Table& t = *table;
        const int data = t.needField("DATA"), numero = t.needField("NUMERO"),
                  ora = t.needField("ORA"), cliente = t.needField("CLIENTE"),
                  destinat = t.needField("DESTINAT");
        form = std::make_unique<ui::TDialog>(QString(), kForm);
        list = ui::TWBrowse::reDefine(
            101, *form,
            {.line =
                 [&t, data, numero, ora, cliente, destinat] {
                     return std::vector<Value>{t.get(data), t.get(numero), t.get(ora),
                                               t.get(cliente), t.get(destinat)};
                 },
             .headers = {QStringLiteral("Data"), QStringLiteral("N."), QStringLiteral("Ora"),
                         QStringLiteral("Cliente"), QStringLiteral("Destinatario")},
             .sizes = {80, 40, 50, 220, 0}});
        list->bKeyChar = [](int key, ui::TWBrowse& b) { keySearch(&b, key); };
        form->activate({.modal = false});
        form->activateWindow();
        list->widget()->setFocus();
        paint();
    }
    ~Station() {
        form.reset();
        dbClose(table->alias());
    }
    void paint() {
        QApplication::processEvents();
        list->widget()->repaint();
    }
};

// ---- The operations ----------------------------------------------------------------------

struct Figure {
    double seconds = 0;
    uint64_t times = 0, steps = 0, lookups = 0;
    void add(double s, const test::CountingOrder& o) {
        seconds += s;
        ++times;
        steps += o.steps;
        lookups += o.lookups;
    }
    double meanUs() const { return times ? seconds / times * 1e6 : 0; }
    double meanSteps() const { return times ? double(steps) / times : 0; }
    double meanLookups() const { return times ? double(lookups) / times : 0; }
};

const char* const kOps[] = {"open", "pgdn", "end", "pgup", "home", "thumb", "search", "stabilize"};

struct Result {
    uint32_t records = 0;
    int rows = 0;
    double mib = 0;
    double countUs = 0;  // one key count of the whole tag, as the list asks it
    std::map<std::string, Figure> ops;
};

Result measure(const std::string& dir, uint32_t records, int rounds) {
    Result res;
    res.records = records;
    Peak peak;
    const int days = static_cast<int>((records + kPerDay - 1) / kPerDay);
    std::mt19937 rng(11);

    // One operation: the counters cleared, the work, its repaint.
    auto timed = [&res](Station& st, const char* op, const std::function<void()>& work) {
        st.order->steps = st.order->lookups = 0;
        auto start = Clock::now();
        work();
        st.paint();
        res.ops[op].add(since(start), *st.order);
    };

    // Opening: each round but the last closes again.
    std::unique_ptr<Station> st;
    for (int i = 0; i < rounds; ++i) {
        st.reset();
        auto start = Clock::now();
        st = std::make_unique<Station>(dir, "CORSE");
        res.ops["open"].add(since(start), *st->order);
    }
    ui::TWBrowse& list = *st->list;
    res.rows = list.nRowCount();
    {
        auto start = Clock::now();
        uint64_t n = 0;
        for (int i = 0; i < rounds; ++i)
            if (Status s = st->order->keyCount(&n); !s) fail("count", s);
        res.countUs = since(start) / rounds * 1e6;
    }
    auto key = [&list](Qt::Key k) { list.keyDown(k, {}, {}); };

    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < 100; ++i) timed(*st, "pgdn", [&] { key(Qt::Key_PageDown); });
        timed(*st, "end", [&] { key(Qt::Key_End); });
        for (int i = 0; i < 100; ++i) timed(*st, "pgup", [&] { key(Qt::Key_PageUp); });
        timed(*st, "home", [&] { key(Qt::Key_Home); });
    }
    for (int i = 0; i < 100; ++i) {
        const int to = 1 + static_cast<int>(rng() % std::max<uint64_t>(1, list.rowTotal()));
        timed(*st, "thumb", [&] { list.vThumb(to); });
    }
    for (int i = 0; i < 100; ++i) {
        const std::string date = kFirstDay.addDays(static_cast<int>(rng() % days)).dtos();
        keySearch(nullptr, 0);
        timed(*st, "search", [&] {
            for (char c : date) list.keyDown(Qt::Key_0 + (c - '0'), {}, QString(QChar(c)));
        });
    }
    // A second handle of the same table appends a run of the last day; the
    // list learns of it at its next stabilize.
    {
        Table& other = dbOpen(true, dir + "/CORSE.DBF", "CORSE2");
        for (const std::string& tag : findTable("CORSE")->tags) ordAdd(dir + "/" + tag);
        RunRow row;
        for (int i = 1; i <= rounds; ++i) {
            makeRun(records + static_cast<uint64_t>(i), row);
            select(other.slot());
            dbApp();
            other.put("NUMERO", double(kPerDay - 1 - i % 5));
            other.put("DATA", kFirstDay.addDays(days - 1));
            other.put("ORA", std::string(row.ora));
            other.put("CLIENTE", row.cliente);
            other.put("DESTINAT", row.destinat);
            dbCommit();
            dbUnlock();
            select(st->table->slot());
            timed(*st, "stabilize", [&] { list.stabilize(false); });
        }
        dbClose("CORSE2");
    }
    st.reset();
    closeAll();
    res.mib = peak.mib();
    return res;
}

void report(const Result& small, const Result& large) {
    std::printf("%-10s %12s %12s %7s  %9s %9s  %7s %7s\n", "", "us 100", "us large", "ratio",
                "steps 100", "steps lg", "look 100", "look lg");
    for (const char* op : kOps) {
        const Figure& a = small.ops.at(op);
        const Figure& b = large.ops.at(op);
        std::printf("%-10s %12.1f %12.1f %7.2f  %9.1f %9.1f  %7.1f %7.1f\n", op, a.meanUs(),
                    b.meanUs(), a.meanUs() > 0 ? b.meanUs() / a.meanUs() : 0.0, a.meanSteps(),
                    b.meanSteps(), a.meanLookups(), b.meanLookups());
    }
    std::printf("%-10s %12.1f %12.1f %7.2f  (one key count of the whole tag)\n", "count",
                small.countUs, large.countUs, small.countUs > 0 ? large.countUs / small.countUs : 0.0);
    std::printf("%-10s %12.1f %12.1f %7s  (peak MiB of each folder's work)\n", "memory", small.mib,
                large.mib, "");
}

}  // namespace

// ---- Main ----------------------------------------------------------------------------------

int main(int argc, char** argv) {
    uint32_t records = 1000000;
    int rounds = 10;
    std::string base = fs::temp_directory_path().string();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--records"))
            records = static_cast<uint32_t>(std::stoul(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::max(1, std::stoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--dir"))
            base = argv[i + 1];
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // A table error ends the run: the figures of a failed operation mean nothing.
    setErrorHandler([](const ErrorInfo& e) -> ErrorOutcome {
        std::fprintf(stderr, "error: %s\n", e.description.c_str());
        std::exit(1);
    });
    const std::string dir = base + "/bench_browse." + std::to_string(::getpid());
    fs::create_directories(dir + "/ISTANZA");
    setInstanceFolder(dir + "/ISTANZA/");
    registerForm();

    const std::string smallDir = dir + "/small", largeDir = dir + "/large";
    auto start = Clock::now();
    makeFolder(smallDir, 100);
    makeFolder(largeDir, records);
    std::printf("CORSE: 100 and %u runs (%d a day), made in %.1f s; folder %s\n", records, kPerDay,
                since(start), dir.c_str());

    Result small = measure(smallDir, 100, rounds);
    Result large = measure(largeDir, records, rounds);
    std::printf("list of %d rows; means of one operation; steps and tree look-ups of the index\n",
                large.rows);
    report(small, large);

    fs::remove_all(dir);
    return 0;
}
