// The index file checker (see IndexChecker.h).
//
// Sections: reading pages; walking a tree level by level; headers; free
// list and unreached pages; keys against the records.
//
// Nothing here trusts a byte of the file: every offset is checked before it
// is read, every page is decoded with its layout checks, every walk is
// bounded by the number of pages in the file.
#include "data/cdx/IndexChecker.h"

#include "data/cdx/CdxFormat.h"
#include "data/cdx/CdxPage.h"
#include "data/cdx/KeyMaker.h"
#include "data/os/File.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace drav::data {

using namespace cdx;

namespace {

constexpr size_t kMaxExamples = 5;

std::string hex(uint64_t v) {
    char b[24];
    std::snprintf(b, sizeof b, "0x%llX", static_cast<unsigned long long>(v));
    return b;
}

// A key and record number as one byte string that sorts like the tag.
std::string entryBytes(const uint8_t* key, int kl, uint32_t rec) {
    std::string s(reinterpret_cast<const char*>(key), static_cast<size_t>(kl));
    uint8_t r[4];
    putBe32(r, rec);
    s.append(reinterpret_cast<const char*>(r), 4);
    return s;
}

uint32_t recOf(const std::string& entry) {
    return getBe32(reinterpret_cast<const uint8_t*>(entry.data() + entry.size() - 4));
}

class Checker {
public:
    Checker(const std::string& path, const RecordContext& fields)
        : m_path(path), m_fields(fields) {}

    std::vector<std::string> run(RecordScan* scan, const Expression* condition);

private:
    void problem(const std::string& line) { m_lines.push_back(line); }
    bool readAt(uint64_t offset, uint8_t* buf, size_t n);
    bool pageOffsetOk(uint64_t offset, uint64_t length) const {
        return offset != 0 && offset % kPageSize == 0 && offset + length <= m_size;
    }
    bool claim(uint32_t offset, const std::string& what);
    bool walkTree(const std::string& tag, uint32_t root, int kl, uint8_t fill,
                  std::vector<std::string>* entries);
    void checkFreeList(uint32_t head);
    void checkUnreached();
    void checkContents(const std::string& tag, const TagHeader& h, const Expression& key,
                       const Expression& cond, const std::vector<std::string>& entries,
                       RecordScan& scan);

    std::string m_path;
    const RecordContext& m_fields;
    File m_file;
    uint64_t m_size = 0;
    std::set<uint32_t> m_used;  // pages owned by headers, trees and the free list
    std::vector<std::string> m_lines;
};

// ---- Reading pages -------------------------------------------------------------

bool Checker::readAt(uint64_t offset, uint8_t* buf, size_t n) {
    size_t got = 0;
    return m_file.read(offset, buf, n, &got) && got == n;
}

// Marks a page as owned; false (with a problem) when something owns it already.
bool Checker::claim(uint32_t offset, const std::string& what) {
    if (!m_used.insert(offset).second) {
        problem(what + ": pagina " + hex(offset) + " usata due volte");
        return false;
    }
    return true;
}

// ---- Walking a tree ----------------------------------------------------------------

// Level by level from the root: each level is the list of the children of
// the one above, in entry order, so sibling links are compared with the
// order they must have rather than followed.
bool Checker::walkTree(const std::string& tag, uint32_t root, int kl, uint8_t fill,
                       std::vector<std::string>* entries) {
    struct Expect {
        uint32_t offset;
        std::string last;  // the parent's entry for it ("" for the root)
    };
    std::vector<Expect> level{{root, ""}};
    std::string previous;  // last entry seen on the current level
    for (int depth = 0; !level.empty(); ++depth) {
        if (depth > 64) {
            problem(tag + ": albero troppo profondo");
            return false;
        }
        std::vector<Expect> below;
        std::vector<CdxPage> pages;
        bool leafLevel = false;
        previous.clear();
        for (size_t i = 0; i < level.size(); ++i) {
            uint32_t off = level[i].offset;
            std::string where = tag + ": pagina " + hex(off);
            if (!pageOffsetOk(off, kPageSize)) {
                problem(where + " fuori dal file");
                return false;
            }
            if (!claim(off, tag)) return false;
            uint8_t buf[kPageSize];
            if (!readAt(off, buf, kPageSize)) {
                problem(where + " illeggibile");
                return false;
            }
            CdxPage p(kl, fill);
            if (const char* bad = CdxPage::decode(buf, off, kl, fill, p)) {
                problem(where + ": " + bad);
                return false;
            }
            if (i == 0) leafLevel = p.leaf;
            if (p.leaf != leafLevel) {
                problem(where + ": foglie a profondità diverse");
                return false;
            }
            if (p.root != (depth == 0)) problem(where + ": indicatore di radice errato");
            if (p.count() == 0 && depth > 0) problem(where + ": pagina vuota");
            uint32_t wantLeft = i == 0 ? kNoPage : level[i - 1].offset;
            uint32_t wantRight = i + 1 == level.size() ? kNoPage : level[i + 1].offset;
            if (p.left != wantLeft) problem(where + ": collegamento a sinistra errato");
            if (p.right != wantRight) problem(where + ": collegamento a destra errato");
            for (int k = 0; k < p.count(); ++k) {
                std::string e = entryBytes(p.key(k), kl, p.recs[k]);
                if (!previous.empty() && e <= previous) {
                    problem(where + ": chiavi fuori ordine");
                    return false;
                }
                previous = e;
                if (p.leaf) {
                    if (entries) entries->push_back(e);
                } else {
                    below.push_back({p.children[k], e});
                }
            }
            if (!level[i].last.empty() && p.count() > 0 && previous != level[i].last)
                problem(where + ": la voce del livello superiore non è l'ultima chiave");
        }
        level = std::move(below);
    }
    return true;
}

// ---- Free list and unreached pages ------------------------------------------------------

void Checker::checkFreeList(uint32_t head) {
    uint64_t limit = m_size / kPageSize;
    for (uint64_t steps = 0; head != 0; ++steps) {
        std::string where = "lista libera: pagina " + hex(head);
        if (steps > limit) {
            problem("lista libera: ciclo");
            return;
        }
        if (!pageOffsetOk(head, kPageSize)) {
            problem(where + " fuori dal file");
            return;
        }
        if (!m_used.insert(head).second) {
            problem(where + " già in uso o già nella lista");
            return;
        }
        uint8_t buf[kPageSize];
        if (!readAt(head, buf, kPageSize)) {
            problem(where + " illeggibile");
            return;
        }
        if (std::any_of(buf + 4, buf + kPageSize, [](uint8_t b) { return b != 0; }))
            problem(where + ": contenuto non azzerato");
        head = getLe32(buf);
    }
}

void Checker::checkUnreached() {
    uint64_t unreached = 0;
    for (uint64_t off = 0; off + kPageSize <= m_size; off += kPageSize)
        if (!m_used.count(static_cast<uint32_t>(off))) ++unreached;
    if (unreached) problem(std::to_string(unreached) + " pagine non raggiungibili");
}

// ---- Keys against the records ------------------------------------------------------------

void Checker::checkContents(const std::string& tag, const TagHeader& h, const Expression& key,
                            const Expression& cond, const std::vector<std::string>& entries,
                            RecordScan& scan) {
    KeyMaker maker(key, h.keyLength, h.ignoreCase);
    std::vector<std::string> expected;
    std::vector<uint8_t> k(static_cast<size_t>(h.keyLength));
    Status s = scan.forEach([&](const RecordContext& r) {
        if (cond.isValid() && !cond.logical(r)) return Status::ok();
        maker.make(r, k.data());
        expected.push_back(entryBytes(k.data(), h.keyLength, r.recno()));
        return Status::ok();
    });
    if (!s) {
        problem(tag + ": lettura dei record non riuscita (" + s.toString() + ")");
        return;
    }
    std::sort(expected.begin(), expected.end());
    if (h.options & kOptUnique) {
        auto sameKey = [](const std::string& a, const std::string& b) {
            return a.compare(0, a.size() - 4, b, 0, b.size() - 4) == 0;
        };
        expected.erase(std::unique(expected.begin(), expected.end(), sameKey), expected.end());
    }
    std::vector<std::string> missing, extra;
    std::set_difference(expected.begin(), expected.end(), entries.begin(), entries.end(),
                        std::back_inserter(missing));
    std::set_difference(entries.begin(), entries.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    for (size_t i = 0; i < missing.size() && i < kMaxExamples; ++i)
        problem(tag + ": manca la chiave del record " + std::to_string(recOf(missing[i])));
    if (missing.size() > kMaxExamples)
        problem(tag + ": mancano altre " + std::to_string(missing.size() - kMaxExamples) +
                " chiavi");
    for (size_t i = 0; i < extra.size() && i < kMaxExamples; ++i)
        problem(tag + ": chiave in più per il record " + std::to_string(recOf(extra[i])));
    if (extra.size() > kMaxExamples)
        problem(tag + ": altre " + std::to_string(extra.size() - kMaxExamples) + " chiavi in più");
}

// ---- Headers ---------------------------------------------------------------------------------

std::vector<std::string> Checker::run(RecordScan* scan, const Expression* condition) {
    Status s = File::open(m_path, File::Share::Shared, true, m_file);
    if (!s) return {"file non apribile: " + s.toString()};
    // Read under a read lock, so that a writer's change is seen whole.
    uint64_t lockByte = kLockBase + 1 + static_cast<uint64_t>(::rand()) % kLockPool;
    bool locked = static_cast<bool>(m_file.lockWait(lockByte, 1, false));
    if (!m_file.size(&m_size)) return {"dimensione del file illeggibile"};
    if (m_size <= kHeaderSize) return {"file di 1024 byte o meno"};
    if (m_size % kPageSize) problem("lunghezza del file non multipla di 512");

    uint8_t buf[kHeaderSize];
    TagHeader dir;
    std::string why;
    if (!readAt(0, buf, kHeaderSize) || !TagHeader::parse(buf, dir, &why)) {
        problem("intestazione della directory non valida" + (why.empty() ? "" : ": " + why));
        return m_lines;
    }
    m_used.insert(0);
    m_used.insert(kPageSize);
    if (dir.keyLength != kDirKeyLength || dir.options != kDirOptions || dir.signature != 1)
        problem("intestazione della directory: lunghezza, opzioni o firma inattese");
    std::vector<std::string> names;
    if (!pageOffsetOk(dir.root, kPageSize))
        problem("radice della directory fuori dal file");
    else
        walkTree("directory", dir.root, dir.keyLength, ' ', &names);
    if (names.empty()) problem("nessun tag nella directory");

    for (const std::string& e : names) {
        std::string name = e.substr(0, static_cast<size_t>(dir.keyLength));
        name.erase(name.find_last_not_of(' ') + 1);
        uint32_t offset = recOf(e);
        std::string tag = "tag " + name;
        if (!pageOffsetOk(offset, kHeaderSize)) {
            problem(tag + ": intestazione fuori dal file");
            continue;
        }
        if (!claim(offset, tag) || !claim(offset + kPageSize, tag)) continue;
        TagHeader h;
        if (!readAt(offset, buf, kHeaderSize) || !TagHeader::parse(buf, h, &why)) {
            problem(tag + ": intestazione non valida: " + why);
            continue;
        }
        if (h.signature != 1 ||
            (h.options & (kOptCompact | kOptCompound)) != (kOptCompact | kOptCompound))
            problem(tag + ": opzioni o firma inattese");
        if (h.freeHead || h.counter) problem(tag + ": campi della directory non azzerati");
        Expression key, cond;
        if (!Expression::compile(h.keyText, m_fields, key)) {
            problem(tag + ": espressione della chiave non valutabile: " + h.keyText);
            continue;
        }
        char t = key.type();
        if (((t == 'N' || t == 'D') && h.keyLength != 8) || (t == 'L' && h.keyLength != 1))
            problem(tag + ": lunghezza della chiave non adatta al suo tipo");
        if (!h.conditionText.empty() &&
            (!Expression::compile(h.conditionText, m_fields, cond) || cond.type() != 'L')) {
            problem(tag + ": condizione non logica: " + h.conditionText);
            continue;
        }
        if (!pageOffsetOk(h.root, kPageSize)) {
            problem(tag + ": radice fuori dal file");
            continue;
        }
        std::vector<std::string> entries;
        if (walkTree(tag, h.root, h.keyLength, fillByte(t), &entries) && scan)
            checkContents(tag, h, key, condition ? *condition : cond, entries, *scan);
    }
    checkFreeList(dir.freeHead);
    checkUnreached();
    if (locked) (void)m_file.unlock(lockByte, 1);
    return m_lines;
}

}  // namespace

std::vector<std::string> IndexChecker::check(const std::string& path, const RecordContext& fields,
                                             RecordScan* scan, const Expression* condition) {
    return Checker(path, fields).run(scan, condition);
}

}  // namespace drav::data
