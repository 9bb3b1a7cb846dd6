// The data folder check (see FolderCheck.h).
//
// Sections: problem lines; memo files; field encodings; tables; tags; the
// folder.
#include "tools/FolderCheck.h"

#include "data/cdx/IndexChecker.h"
#include "data/cdx/IndexFile.h"
#include "data/cdx/IndexTag.h"
#include "data/dbf/FieldCodec.h"
#include "data/dbf/TableFile.h"
#include "data/dbf/TableLayout.h"
#include "data/os/File.h"
#include "data/schema/Schema.h"
#include "tools/TaggedTable.h"
#include "util/Error.h"
#include "util/FileHelpers.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace drav::admin {

using namespace drav::data;

namespace {

// ---- Problem lines --------------------------------------------------------------

// A file with thousands of bad records gives the first lines and a count,
// not a line per record.
constexpr size_t kMaxLinesPerFile = 20;

class Lines {
public:
    Lines(std::vector<std::string>& out, std::string file) : m_out(out), m_file(std::move(file)) {}
    ~Lines() {
        if (m_count > kMaxLinesPerFile)
            m_out.push_back(m_file + ": altri " + std::to_string(m_count - kMaxLinesPerFile) +
                            " problemi");
    }
    void add(const std::string& what) {
        if (m_count++ < kMaxLinesPerFile) m_out.push_back(m_file + ": " + what);
    }
    size_t count() const { return m_count; }

private:
    std::vector<std::string>& m_out;
    std::string m_file;
    size_t m_count = 0;
};

// An integrity error met while reading an index file: reported, and the
// check goes on with the next file.
struct IntegrityError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ThrowOnFatal {
public:
    ThrowOnFatal() {
        m_previous = setFatalHandler([](unsigned n, const std::string& text) {
            std::string line = text.substr(0, text.find('\n'));
            throw IntegrityError("errore irreparabile " + std::to_string(n) + ": " + line);
        });
    }
    ~ThrowOnFatal() { setFatalHandler(m_previous); }

private:
    FatalHandler m_previous;
};

uint32_t be32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

// ---- Memo files -------------------------------------------------------------------

// Memo header (big-endian): 0 next free block, 4 block size (64), 512
// "FlexFile3" 0x03, 523 number of free runs (at most 62), 527 the runs
// (first block, number of blocks).
struct Memo {
    File file;
    uint64_t size = 0;
    uint32_t nextFree = 0;
    std::vector<MemoFile::Run> freeRuns;
    bool usable = false;  // values can be looked up
};

struct Extent {
    uint32_t first, count, recno;
    std::string field;
};

void checkMemoHeader(const std::string& path, std::vector<std::string>& out, Memo* memo) {
    Lines lines(out, fileNameOf(path));
    Status s = File::open(path, File::Share::Shared, true, memo->file);
    if (!s) {
        lines.add(s.isNotFound() ? "file memo mancante" : "impossibile aprire: " + s.toString());
        return;
    }
    if (!memo->file.size(&memo->size)) {
        lines.add("dimensione illeggibile");
        return;
    }
    unsigned char h[1024];
    if (memo->size < sizeof h || !memo->file.readExact(0, h, sizeof h)) {
        lines.add("intestazione troncata (" + std::to_string(memo->size) + " byte)");
        return;
    }
    if (be32(h + 4) != kMemoBlockSize) {
        lines.add("dimensione dei blocchi " + std::to_string(be32(h + 4)) + " invece di 64");
        return;
    }
    memo->nextFree = be32(h);
    if (memo->nextFree < kMemoFirstBlock) {
        lines.add("primo blocco libero " + std::to_string(memo->nextFree) + " prima dei dati");
        return;
    }
    memo->usable = true;
    if (std::memcmp(h + 512, "FlexFile3\x03", 10) != 0) lines.add("firma FlexFile3 mancante");
    if (memo->size > static_cast<uint64_t>(memo->nextFree) * kMemoBlockSize)
        lines.add("dati oltre il primo blocco libero (" + std::to_string(memo->nextFree) + ")");
    uint32_t n = be32(h + 523);
    if (n > static_cast<uint32_t>(kMemoMaxFreeRuns)) {
        lines.add("elenco dei blocchi liberi non valido (" + std::to_string(n) + " voci)");
        return;
    }
    for (uint32_t i = 0; i < n; ++i)
        memo->freeRuns.push_back({be32(h + 527 + 8 * i), be32(h + 531 + 8 * i)});
    std::sort(memo->freeRuns.begin(), memo->freeRuns.end(),
              [](const MemoFile::Run& a, const MemoFile::Run& b) { return a.first < b.first; });
    uint64_t end = kMemoFirstBlock;
    for (const MemoFile::Run& r : memo->freeRuns) {
        if (r.count == 0 || r.first < end ||
            static_cast<uint64_t>(r.first) + r.count > memo->nextFree) {
            lines.add("blocchi liberi " + std::to_string(r.first) + "+" + std::to_string(r.count) +
                      " non validi");
            memo->freeRuns.clear();
            return;
        }
        end = static_cast<uint64_t>(r.first) + r.count;
    }
}

// The value a record points to: inside the file, with a valid block header.
void checkMemoValue(Memo& memo, uint32_t block, uint32_t recno, const std::string& field,
                    Lines& lines, std::vector<Extent>* extents) {
    std::string where = "record " + std::to_string(recno) + ", campo " + field + ": ";
    uint64_t at = static_cast<uint64_t>(block) * kMemoBlockSize;
    if (block < kMemoFirstBlock || at + 8 > memo.size) {
        lines.add(where + "blocco memo " + std::to_string(block) + " fuori dal file memo");
        return;
    }
    unsigned char b[8];
    if (!memo.file.readExact(at, b, sizeof b)) {
        lines.add(where + "blocco memo " + std::to_string(block) + " illeggibile");
        return;
    }
    uint32_t type = be32(b), length = be32(b + 4);
    if (type != 1) {
        lines.add(where + "blocco memo " + std::to_string(block) + " senza intestazione di testo");
        return;
    }
    if (at + 8 + length > memo.size) {
        lines.add(where + "testo del blocco " + std::to_string(block) + " oltre la fine del file");
        return;
    }
    extents->push_back({block, MemoFile::blocksFor(length), recno, field});
}

void checkExtents(const Memo& memo, std::vector<Extent>& extents, Lines& lines) {
    std::sort(extents.begin(), extents.end(), [](const Extent& a, const Extent& b) {
        return a.first != b.first ? a.first < b.first : a.recno < b.recno;
    });
    for (size_t i = 1; i < extents.size(); ++i) {
        const Extent& a = extents[i - 1];
        const Extent& b = extents[i];
        if (static_cast<uint64_t>(a.first) + a.count > b.first)
            lines.add("i record " + std::to_string(a.recno) + " (" + a.field + ") e " +
                      std::to_string(b.recno) + " (" + b.field + ") condividono blocchi memo");
    }
    size_t k = 0;
    for (const Extent& e : extents) {
        while (k < memo.freeRuns.size() &&
               static_cast<uint64_t>(memo.freeRuns[k].first) + memo.freeRuns[k].count <= e.first)
            ++k;
        if (k < memo.freeRuns.size() &&
            memo.freeRuns[k].first < static_cast<uint64_t>(e.first) + e.count)
            lines.add("record " + std::to_string(e.recno) + ", campo " + e.field +
                      ": testo in blocchi segnati liberi");
    }
}

// ---- Field encodings ------------------------------------------------------------------

bool allOf(std::string_view b, char c) {
    return std::all_of(b.begin(), b.end(), [c](char x) { return x == c; });
}

// Right-aligned: blanks, an optional "-", digits with at most one ".",
// and, when the field has decimals, exactly that many after the ".".
bool validNumber(std::string_view b, int decimals) {
    if (allOf(b, ' ') || allOf(b, '*')) return true;
    size_t i = 0;
    while (i < b.size() && b[i] == ' ') ++i;
    if (i < b.size() && b[i] == '-') ++i;
    size_t digits = 0, dot = std::string_view::npos;
    for (; i < b.size(); ++i) {
        if (b[i] >= '0' && b[i] <= '9')
            ++digits;
        else if (b[i] == '.' && dot == std::string_view::npos)
            dot = i;
        else
            return false;
    }
    if (digits == 0) return false;
    if (dot == std::string_view::npos) return true;
    return decimals > 0 && b.size() - dot - 1 == static_cast<size_t>(decimals);
}

bool validDate(std::string_view b) {
    if (allOf(b, ' ')) return true;
    if (!std::all_of(b.begin(), b.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    Date d = Date::fromDtos(b);
    return !d.isEmpty() && d.dtos() == b;
}

bool validLogical(char c) {
    return std::strchr("TtFfYyNn ", c) != nullptr && c != '\0';
}

// ---- Tables ------------------------------------------------------------------------------

void checkTableFile(const std::string& path, const TableDef& def, std::vector<std::string>& out) {
    Lines lines(out, fileNameOf(path));
    File f;
    if (Status s = File::open(path, File::Share::Shared, true, f); !s) {
        lines.add("impossibile aprire: " + s.toString());
        return;
    }
    uint64_t size = 0;
    if (!f.size(&size)) {
        lines.add("dimensione illeggibile");
        return;
    }
    char first[32] = {};
    size_t got = 0;
    (void)f.read(0, first, sizeof first, &got);
    std::string header(first, got);
    uint16_t announced = TableLayout::announcedHeaderLength(header);
    if (got == 32 && announced > 32 && announced <= size) {
        header.resize(announced);
        if (!f.readExact(0, header.data(), announced)) header.resize(32);
    }
    TableLayout layout;
    if (Status s = TableLayout::parse(path, header, size, &layout); !s) {
        lines.add("intestazione non valida: " + s.what());
        return;
    }
    if (layout.fields() != def.fields) {
        std::string which;
        for (size_t i = 0; i < std::max(layout.fields().size(), def.fields.size()); ++i) {
            if (i >= layout.fields().size() || i >= def.fields.size() ||
                layout.fields()[i] != def.fields[i]) {
                which = "campo " + std::to_string(i + 1);
                break;
            }
        }
        lines.add("campi diversi da quelli della tabella " + def.name + " (" + which + ")");
    }
    if (layout.version() != (layout.hasMemo() ? kVersionMemo : kVersionPlain))
        lines.add("byte di versione non adatto ai campi memo");

    const uint64_t hl = layout.headerLength(), rl = layout.recordLength();
    const uint64_t records = (size - hl) / rl, rest = (size - hl) % rl;
    if (rest > 1) {
        lines.add("ultimo record troncato (" + std::to_string(rest) + " byte di " +
                  std::to_string(rl) + ")");
    } else if (rest == 1) {
        char mark = 0;
        if (!f.readExact(size - 1, &mark, 1) || mark != kEofMark)
            lines.add("ultimo record troncato (1 byte di " + std::to_string(rl) + ")");
    }
    if (layout.headerCount() > records)
        lines.add("file troncato: l'intestazione dichiara " + std::to_string(layout.headerCount()) +
                  " record, il file ne contiene " + std::to_string(records));
    else if (layout.headerCount() < records)
        lines.add("l'intestazione dichiara " + std::to_string(layout.headerCount()) +
                  " record, il file ne contiene " + std::to_string(records));

    Memo memo;
    if (layout.hasMemo()) checkMemoHeader(TableFile::memoPathFor(path), out, &memo);
    std::vector<Extent> extents;

    const uint64_t per = std::max<uint64_t>(1, (1 << 20) / rl);
    std::string block;
    for (uint64_t firstRec = 1; firstRec <= records; firstRec += per) {
        uint64_t n = std::min(per, records - firstRec + 1);
        block.resize(n * rl);
        if (!f.readExact(hl + (firstRec - 1) * rl, block.data(), block.size())) {
            lines.add("record " + std::to_string(firstRec) + " e seguenti illeggibili");
            break;
        }
        for (uint64_t i = 0; i < n; ++i) {
            const char* rec = block.data() + i * rl;
            const auto recno = static_cast<uint32_t>(firstRec + i);
            std::string where = "record " + std::to_string(recno);
            if (rec[0] != ' ' && rec[0] != '*')
                lines.add(where + ": segno di cancellazione non valido");
            for (int k = 0; k < layout.fieldCount(); ++k) {
                const FieldDef& fd = layout.field(k);
                std::string_view b(rec + layout.offset(k), static_cast<size_t>(fd.length));
                switch (fd.type) {
                    case 'N':
                        if (!validNumber(b, fd.decimals))
                            lines.add(where + ", campo " + fd.name + ": numero non valido");
                        break;
                    case 'D':
                        if (!validDate(b))
                            lines.add(where + ", campo " + fd.name + ": data non valida");
                        break;
                    case 'L':
                        if (!validLogical(b[0]))
                            lines.add(where + ", campo " + fd.name + ": valore logico non valido");
                        break;
                    case 'M': {
                        uint32_t memoBlock = 0;
                        if (!codec::decodeMemoBlock(b, &memoBlock))
                            lines.add(where + ", campo " + fd.name + ": puntatore memo non valido");
                        else if (memoBlock != 0 && memo.usable)
                            checkMemoValue(memo, memoBlock, recno, fd.name, lines, &extents);
                        break;
                    }
                    default:
                        break;
                }
            }
        }
    }
    if (memo.usable) checkExtents(memo, extents, lines);
}

// ---- Tags --------------------------------------------------------------------------------

// The fields of a schema table, to type a tag's expressions when the table
// file itself cannot be read.
class SchemaFields : public RecordContext {
public:
    explicit SchemaFields(const TableDef& def) : m_def(def) {
        int total = 0;
        for (const FieldDef& f : def.fields) total = std::max(total, f.length);
        m_blank.assign(static_cast<size_t>(total), ' ');
    }
    int fieldIndex(std::string_view name) const override {
        for (size_t i = 0; i < m_def.fields.size(); ++i) {
            const std::string& n = m_def.fields[i].name;
            if (n.size() == name.size() &&
                std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                    return std::toupper(static_cast<unsigned char>(a)) ==
                           std::toupper(static_cast<unsigned char>(b));
                }))
                return static_cast<int>(i);
        }
        return -1;
    }
    char fieldType(int i) const override { return m_def.fields[i].type; }
    int fieldLength(int i) const override { return m_def.fields[i].length; }
    int fieldDecimals(int i) const override { return m_def.fields[i].decimals; }
    Value fieldValue(int) const override { return {}; }
    std::string_view fieldBytes(int i) const override {
        return std::string_view(m_blank).substr(0, static_cast<size_t>(m_def.fields[i].length));
    }
    bool deleted() const override { return false; }
    uint32_t recno() const override { return 0; }

private:
    const TableDef& m_def;
    std::string m_blank;
};

// table: the open table to compare the keys with (nullptr: the layout only).
void checkTag(const std::string& path, const TagDef& def, const RecordContext& fields,
              TableFile* table, std::vector<std::string>& out) {
    Lines lines(out, fileNameOf(path));
    ThrowOnFatal guard;
    try {
        std::unique_ptr<RecordScan> scan = table ? table->scan() : nullptr;
        for (const std::string& line : IndexChecker::check(path, fields, scan.get()))
            lines.add(line);
        if (lines.count() > 0) return;
        IndexOpenOptions o;
        o.shared = true;
        o.readOnly = true;
        o.tableName = def.table;
        std::unique_ptr<IndexFile> f;
        Status s = retryBusy([&] { return IndexFile::open(path, fields, o, f); });
        if (!s) {
            lines.add("impossibile aprire: " + s.toString());
            return;
        }
        if (f->tag().name() != def.name)
            lines.add("il tag si chiama " + f->tag().name() + " invece di " + def.name);
        if (f->tag().keyText() != def.keyText)
            lines.add("chiave \"" + f->tag().keyText() + "\" invece di \"" + def.keyText + "\"");
        if (f->tag().conditionText() != def.conditionText)
            lines.add("condizione \"" + f->tag().conditionText() + "\" invece di \"" +
                      def.conditionText + "\"");
    } catch (const IntegrityError& e) {
        lines.add(e.what());
    }
}

void checkTags(const std::string& dir, const TableDef& def, std::vector<std::string>& out) {
    std::vector<const TagDef*> present;
    for (const std::string& name : def.tags) {
        const TagDef* tag = findTag(name);
        if (tag && std::filesystem::exists(tagFilePath(dir, name))) present.push_back(tag);
    }
    if (present.empty()) return;
    // The keys are compared with the records while no other station is in
    // the middle of a write: a writer holds its record lock from its change
    // to the upkeep of its tags, and the file lock waits for every one.
    TableFile table;
    std::string path = tableFilePath(dir, def.name);
    bool opened = false, locked = false;
    if (std::filesystem::exists(path)) {
        Status s = retryBusy([&] { return table.open(path, File::Share::Shared, false); });
        if (!s && !s.isBusy() && !s.isCorruption() && !s.isNotFound())
            s = retryBusy([&] { return table.open(path, File::Share::Shared, true); });
        opened = s.isOk();
        if (opened && !table.isReadOnly())
            locked = retryBusy([&] { return table.lockFile(); }, 10).isOk();
    }
    SchemaFields schemaFields(def);
    for (const TagDef* tag : present) {
        const RecordContext& fields =
            opened ? static_cast<const RecordContext&>(table) : schemaFields;
        checkTag(tagFilePath(dir, tag->name), *tag, fields, opened ? &table : nullptr, out);
    }
    if (locked) (void)table.unlockAll();
    (void)table.close();
}

}  // namespace

// ---- The folder ----------------------------------------------------------------------------

std::vector<std::string> checkFolder(const std::string& dir) {
    std::vector<std::string> out;
    for (const TableDef& def : schemaTables()) {
        std::string path = tableFilePath(dir, def.name);
        if (std::filesystem::exists(path)) checkTableFile(path, def, out);
        checkTags(dir, def, out);
    }
    return out;
}

}  // namespace drav::admin
