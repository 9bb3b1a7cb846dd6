// The archive maintenance of a large data folder, next to a plain copy of
// the same files.
//
// Data: a data folder with every table of the schema, CORSE filled with the
// made-up runs of bench/CorseRuns.h (1,000,000 by default: 337 MB, its memo
// file and its three tags), the other tables empty; the maintenance runs
// once before the timings so that every tag file exists.
//
// Phases (each the best of --rounds runs, with the peak memory above what
// the process held before it):
//   copy      every file of the folder read and written to another folder, 1 MiB at a time
//             (what writing the files once costs)
//   none      the maintenance when no record is deleted (the usual case)
//   recent    the same after the last day's runs were marked deleted, one in three
//   spread    the same after one record in a thousand was marked deleted, from the first
// Marking the records deleted before each round is not timed.
//
// Usage: bench_maintenance [--records N] [--rounds N] [--dir FOLDER] [--keep 1]
// (--keep 1 leaves the data folder in place, for a profiler run of
// "drav-admin reindex" on it.)
//
// Sections: the folder; the phases; main.
#include "bench/CorseRuns.h"
#include "bench/Measure.h"
#include "data/backup/Manutenzione.h"
#include "data/dbf/TableFile.h"
#include "data/schema/Schema.h"

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace drav;
using namespace drav::data;
using namespace drav::bench;
namespace fs = std::filesystem;

namespace {

// ---- The folder ------------------------------------------------------------------------

void makeFolder(const std::string& dir, uint32_t records) {
    for (const TableDef& def : schemaTables())
        if (Status s = TableFile::create(dir + "/" + def.name + ".DBF", def.fields); !s)
            fail("create", s);
    fillRuns(dir + "/CORSE.DBF", records);
}

// Marks the records deleted (not timed).
void markDeleted(const std::string& table, const std::vector<uint32_t>& recnos) {
    TableFile t;
    if (Status s = t.open(table, File::Share::Exclusive, false); !s) fail("open", s);
    for (uint32_t r : recnos) {
        Status s = t.goTo(r);
        if (s) s = t.deleteRecord();
        if (s) s = t.commit();
        if (!s) fail("delete", s);
    }
    if (Status s = t.close(); !s) fail("close", s);
}

uint32_t recordCount(const std::string& table) {
    TableFile t;
    if (Status s = t.open(table, File::Share::Exclusive, true); !s) fail("open", s);
    uint32_t n = 0;
    if (Status s = t.recCount(&n); !s) fail("count", s);
    return n;
}

// Every file of the folder read and written elsewhere, as a copy program
// does it without the kernel's help.
void copyFolder(const std::string& from, const std::string& to) {
    fs::create_directories(to);
    std::vector<char> buf(size_t(1) << 20);
    for (const auto& e : fs::directory_iterator(from)) {
        if (!e.is_regular_file()) continue;
        int in = ::open(e.path().c_str(), O_RDONLY);
        int out = ::open((to + "/" + e.path().filename().string()).c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) {
            std::perror("copy");
            std::exit(1);
        }
        for (ssize_t n; (n = ::read(in, buf.data(), buf.size())) > 0;)
            if (::write(out, buf.data(), static_cast<size_t>(n)) != n) {
                std::perror("copy");
                std::exit(1);
            }
        ::close(in);
        ::close(out);
    }
}

uint64_t folderBytes(const std::string& dir) {
    uint64_t n = 0;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) n += e.file_size();
    return n;
}

// ---- The phases -----------------------------------------------------------------------------

struct Result {
    double seconds = 1e9;
    double mib = 0;
};

template <class Prepare, class Work>
Result best(int rounds, Prepare prepare, Work work) {
    Result r;
    for (int i = 0; i < rounds; ++i) {
        prepare(i);
        ::sync();  // nothing left to write back from what came before
        Peak peak;
        auto start = Clock::now();
        work();
        r.seconds = std::min(r.seconds, since(start));
        r.mib = std::max(r.mib, peak.mib());
    }
    return r;
}

void report(const char* what, const Result& r, double copy) {
    std::printf("%-44s %8.3f s  %6.2f x copy  %7.1f MiB\n", what, r.seconds,
                copy > 0 ? r.seconds / copy : 1.0, r.mib);
    std::fflush(stdout);
}

void maintain() {
    if (!manutenzione(false)) {
        std::fprintf(stderr, "the maintenance failed\n");
        std::exit(1);
    }
}

}  // namespace

// ---- Main ------------------------------------------------------------------------------------

int main(int argc, char** argv) {
    uint32_t records = 1000000;
    int rounds = 3;
    bool keep = false;
    std::string base = fs::temp_directory_path().string();
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--records"))
            records = static_cast<uint32_t>(std::stoul(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::max(1, std::stoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--dir"))
            base = argv[i + 1];
        else if (!std::strcmp(argv[i], "--keep"))
            keep = std::strcmp(argv[i + 1], "0") != 0;
    }
    const std::string root = base + "/bench_maintenance." + std::to_string(::getpid());
    const std::string dir = root + "/data", copy = root + "/copy";
    const std::string corse = dir + "/CORSE.DBF";
    fs::create_directories(dir);
    makeFolder(dir, records);
    fs::current_path(dir);
    maintain();

    std::printf("data folder: %u runs, %.1f MB in its files; %s\n", records, folderBytes(dir) / 1e6,
                dir.c_str());
    Result c = best(
        rounds, [&](int) { fs::remove_all(copy); }, [&] { copyFolder(dir, copy); });
    fs::remove_all(copy);
    report("copy of the folder (read + write)", c, c.seconds);

    report("maintenance, nothing deleted",
           best(
               rounds, [](int) {}, maintain),
           c.seconds);

    // One run in three of the last day, a different set each round.
    report("maintenance, last day's runs 1 in 3 deleted",
           best(
               rounds,
               [&](int round) {
                   const uint32_t n = recordCount(corse);
                   std::vector<uint32_t> recnos;
                   for (uint32_t r = n > kPerDay ? n - kPerDay + 1 : 1; r <= n; ++r)
                       if ((r + round) % 3 == 0) recnos.push_back(r);
                   markDeleted(corse, recnos);
               },
               maintain),
           c.seconds);

    report("maintenance, 1 in 1000 deleted from the first",
           best(
               rounds,
               [&](int round) {
                   const uint32_t n = recordCount(corse);
                   std::vector<uint32_t> recnos;
                   for (uint32_t r = 1 + round; r <= n; r += 1000) recnos.push_back(r);
                   markDeleted(corse, recnos);
               },
               maintain),
           c.seconds);

    fs::current_path(base);
    if (!keep) fs::remove_all(root);
    return 0;
}
