// One index tag: cursor, scope, counts and key upkeep (see IndexTag.h).
//
// Sections: identity and keys; scope bounds; cursor moves; seeks; counts;
// key upkeep.
#include "data/cdx/IndexTag.h"

#include "data/cdx/IndexFile.h"
#include "util/Error.h"

#include <cstring>

namespace drav::data {

using namespace cdx;

namespace {

int compareKeys(const uint8_t* a, const uint8_t* b, size_t n) {
    return n ? std::memcmp(a, b, n) : 0;
}

const uint8_t* bytes(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

}  // namespace

// ---- Identity and keys -------------------------------------------------------------

IndexTag::IndexTag(IndexFile& file, std::string name, uint32_t headerOffset,
                   const TagHeader& header, Expression key, Expression condition)
    : m_file(file),
      m_name(std::move(name)),
      m_keyText(header.keyText),
      m_conditionText(header.conditionText),
      m_options(header.options),
      m_maker(key, header.keyLength, header.ignoreCase),
      m_condition(std::move(condition)),
      m_tree(file, headerOffset, header.keyLength, fillByte(key.type())) {
    if (header.root) m_tree.setRootForBuild(header.root);
}

std::string IndexTag::keyOf(const RecordContext& record) const {
    std::string k(static_cast<size_t>(keyLength()), '\0');
    m_maker.make(record, reinterpret_cast<uint8_t*>(k.data()));
    return k;
}

bool IndexTag::meetsCondition(const RecordContext& record) const {
    return !m_condition.isValid() || m_condition.logical(record);
}

// ---- Scope bounds ----------------------------------------------------------------------

Status IndexTag::setScope(const std::optional<Value>& top, const std::optional<Value>& bottom) {
    std::optional<std::string> t, b;
    std::string k;
    for (auto [value, out] : {std::pair{&top, &t}, std::pair{&bottom, &b}}) {
        if (!*value) continue;
        if (!m_maker.encodeValue(**value, k))
            return Status::invalid(m_file.path(), "scope value of another type than the key")
                .withCodes(gen::DataType, kSubKeyType);
        *out = k;
    }
    setScopeBytes(std::move(t), std::move(b));
    return Status::ok();
}

void IndexTag::setScopeBytes(std::optional<std::string> top, std::optional<std::string> bottom) {
    auto cut = [&](std::optional<std::string>& v) {
        if (v && v->size() > static_cast<size_t>(keyLength())) v->resize(keyLength());
    };
    cut(top);
    cut(bottom);
    m_top = std::move(top);
    m_bottom = std::move(bottom);
}

void IndexTag::clearScope() {
    m_top.reset();
    m_bottom.reset();
}

bool IndexTag::belowTop(const TreePos& pos) {
    return m_top && compareKeys(m_tree.keyAt(pos), bytes(*m_top), m_top->size()) < 0;
}

bool IndexTag::aboveBottom(const TreePos& pos) {
    return m_bottom && compareKeys(m_tree.keyAt(pos), bytes(*m_bottom), m_bottom->size()) > 0;
}

TreePos IndexTag::scopeFirst() {
    TreePos pos =
        m_top ? m_tree.find({bytes(*m_top), static_cast<int>(m_top->size())}) : m_tree.first();
    if (pos.valid() && aboveBottom(pos)) return {};
    return pos;
}

TreePos IndexTag::scopeLast() {
    TreePos pos;
    if (m_bottom) {
        pos = m_tree.find({bytes(*m_bottom), static_cast<int>(m_bottom->size()), false, 0, true});
        if (!pos.valid())
            pos = m_tree.last();
        else if (!m_tree.prev(pos))
            return {};
    } else {
        pos = m_tree.last();
    }
    if (pos.valid() && belowTop(pos)) return {};
    return pos;
}

// ---- Cursor moves -----------------------------------------------------------------------

void IndexTag::stand(const TreePos& pos) {
    m_pos = pos;
    m_eof = false;
    const uint8_t* k = m_tree.keyAt(pos);
    m_key.assign(reinterpret_cast<const char*>(k), static_cast<size_t>(keyLength()));
    m_rec = m_tree.recAt(pos);
    m_generation = m_file.generation();
}

void IndexTag::setEof() {
    m_eof = true;
    m_pos = {};
    m_generation = ~uint64_t(0);
}

// The cursor's page position is trusted only while nothing moved in the
// file; otherwise its key is sought again. When the key is gone, m_pos is
// left on the entry that follows it (or past the end) and false returned.
bool IndexTag::relocate() {
    if (m_eof) return false;
    if (m_generation == m_file.generation() && m_pos.valid()) return true;
    m_pos = m_tree.find({bytes(m_key), keyLength(), true, m_rec, false});
    bool exact = m_pos.valid() && m_tree.recAt(m_pos) == m_rec &&
                 compareKeys(m_tree.keyAt(m_pos), bytes(m_key), m_key.size()) == 0;
    m_generation = exact ? m_file.generation() : ~uint64_t(0);
    return exact;
}

Status IndexTag::stepForward() {
    if (m_eof) return Status::ok();
    bool exact = relocate();
    TreePos pos = m_pos;
    if (exact && !m_tree.next(pos)) pos = {};
    if (pos.valid() && belowTop(pos)) pos = scopeFirst();
    if (!pos.valid() || aboveBottom(pos))
        setEof();
    else
        stand(pos);
    return Status::ok();
}

Status IndexTag::stepBack() {
    if (m_eof) {
        TreePos last = scopeLast();
        if (last.valid()) stand(last);
        return Status::ok();
    }
    relocate();
    // m_pos is the cursor's entry or, when that is gone, the one after it
    // (none: it was past the last key).
    TreePos pos = m_pos;
    bool ok;
    if (pos.valid()) {
        ok = m_tree.prev(pos);
    } else {
        pos = m_tree.last();
        ok = pos.valid();
    }
    if (ok && aboveBottom(pos)) {
        pos = scopeLast();
        ok = pos.valid();
    }
    if (!ok || belowTop(pos)) {
        TreePos first = scopeFirst();
        if (first.valid())
            stand(first);
        else
            setEof();
        m_bof = true;
        return Status::ok();
    }
    stand(pos);
    return Status::ok();
}

Status IndexTag::goTop() {
    IndexFile::ReadLock lock(m_file);
    if (!lock.status()) return lock.status();
    m_bof = false;
    TreePos pos = scopeFirst();
    if (pos.valid())
        stand(pos);
    else
        setEof();
    return Status::ok();
}

Status IndexTag::goBottom() {
    IndexFile::ReadLock lock(m_file);
    if (!lock.status()) return lock.status();
    m_bof = false;
    TreePos pos = scopeLast();
    if (pos.valid())
        stand(pos);
    else
        setEof();
    return Status::ok();
}

Status IndexTag::next() {
    return skip(1);
}
Status IndexTag::prev() {
    return skip(-1);
}

Status IndexTag::skip(long n, long* moved) {
    IndexFile::ReadLock lock(m_file);
    if (!lock.status()) return lock.status();
    m_bof = false;
    long done = 0;
    for (long i = 0; i < (n < 0 ? -n : n); ++i) {
        if (n > 0) {
            if (m_eof) break;
            (void)stepForward();
            if (m_eof) break;
        } else {
            (void)stepBack();
            if (m_bof || m_eof) break;
        }
        ++done;
    }
    if (moved) *moved = n < 0 ? -done : done;
    return Status::ok();
}

Status IndexTag::goToPosition(uint64_t p) {
    IndexFile::ReadLock lock(m_file);
    if (!lock.status()) return lock.status();
    m_bof = false;
    TreePos pos = scopeFirst();
    if (p == 0 || !pos.valid() || !m_tree.advance(pos, p - 1) || aboveBottom(pos))
        setEof();
    else
        stand(pos);
    return Status::ok();
}

// ---- Seeks -----------------------------------------------------------------------------------

Status IndexTag::seek(const Value& value, bool soft, bool* found) {
    std::string k;
    if (!m_maker.encodeValue(value, k)) {
        if (found) *found = false;
        return Status::invalid(m_file.path(), "sought value of another type than the key")
            .withCodes(gen::DataType, kSubKeyType);
    }
    return seekBytes(k, soft, found);
}

Status IndexTag::seekBytes(std::string_view key, bool soft, bool* found) {
    IndexFile::ReadLock lock(m_file);
    if (!lock.status()) return lock.status();
    m_bof = false;
    size_t len = std::min(key.size(), static_cast<size_t>(keyLength()));
    const auto* k = reinterpret_cast<const uint8_t*>(key.data());
    TreePos pos = m_tree.find({k, static_cast<int>(len)});
    if (pos.valid() && belowTop(pos)) pos = scopeFirst();
    bool inScope = pos.valid() && !aboveBottom(pos);
    bool match = inScope && compareKeys(m_tree.keyAt(pos), k, len) == 0;
    if (found) *found = match;
    if (match || (soft && inScope))
        stand(pos);
    else
        setEof();
    return Status::ok();
}

Status IndexTag::goToRecord(const RecordContext& record, bool* found) {
    IndexFile::ReadLock lock(m_file);
    if (!lock.status()) return lock.status();
    m_bof = false;
    m_key = keyOf(record);
    m_rec = record.recno();
    m_eof = false;
    m_generation = ~uint64_t(0);
    bool exact = relocate();
    if (found) *found = exact;
    return Status::ok();
}

// ---- Counts ------------------------------------------------------------------------------------

Status IndexTag::keyCount(uint64_t* count) {
    IndexFile::ReadLock lock(m_file);
    if (!lock.status()) return lock.status();
    *count = 0;
    TreePos a = scopeFirst(), b = scopeLast();
    if (!a.valid() || !b.valid()) return Status::ok();
    int c = compareKeys(m_tree.keyAt(a), m_tree.keyAt(b), static_cast<size_t>(keyLength()));
    if (c > 0 || (c == 0 && m_tree.recAt(a) > m_tree.recAt(b))) return Status::ok();
    *count = m_tree.distance(a, b);
    return Status::ok();
}

Status IndexTag::keyPosition(uint64_t* position) {
    *position = 0;
    if (m_eof) return Status::ok();
    IndexFile::ReadLock lock(m_file);
    if (!lock.status()) return lock.status();
    bool exact = relocate();
    TreePos first = scopeFirst();
    TreePos here = m_pos;
    if (!first.valid()) return Status::ok();
    uint64_t pos = 0;
    if (!here.valid()) {
        TreePos last = scopeLast();
        if (last.valid()) pos = m_tree.distance(first, last);
    } else {
        int c =
            compareKeys(m_tree.keyAt(here), m_tree.keyAt(first), static_cast<size_t>(keyLength()));
        if (c < 0 || (c == 0 && m_tree.recAt(here) < m_tree.recAt(first))) return Status::ok();
        if (aboveBottom(here) && exact) return Status::ok();
        pos = m_tree.distance(first, here) - (exact ? 0 : 1);
    }
    *position = pos;
    return Status::ok();
}

// ---- Key upkeep
// ----------------------------------------------------------------------------------

bool IndexTag::insertEntry(const uint8_t* key, uint32_t rec) {
    if (unique()) {
        TreePos pos = m_tree.find({key, keyLength()});
        if (pos.valid() && compareKeys(m_tree.keyAt(pos), key, keyLength()) == 0) return false;
    }
    return m_tree.insert(key, rec);
}

Status IndexTag::addKey(std::string_view key, uint32_t rec) {
    if (key.size() != static_cast<size_t>(keyLength()))
        return Status::invalid(m_file.path(), "key of the wrong length");
    IndexFile::WriteLock lock(m_file);
    if (!lock.status()) return lock.status();
    insertEntry(reinterpret_cast<const uint8_t*>(key.data()), rec);
    return Status::ok();
}

Status IndexTag::removeKey(std::string_view key, uint32_t rec) {
    if (key.size() != static_cast<size_t>(keyLength()))
        return Status::invalid(m_file.path(), "key of the wrong length");
    IndexFile::WriteLock lock(m_file);
    if (!lock.status()) return lock.status();
    m_tree.remove(reinterpret_cast<const uint8_t*>(key.data()), rec);
    return Status::ok();
}

Status IndexTag::beforeChange(const RecordContext& record, bool appended) {
    if (custom()) return Status::ok();
    if (m_hot)
        m_file.fatal(kFatalIntegrity,
                     appended ? "zq_cdxGoCold: multiple appending without GOCOLD."
                              : "zq_cdxGoHot: multiple marking buffer as hot.",
                     false);
    m_hot = true;
    m_appended = appended;
    m_hotRec = record.recno();
    if (!appended) {
        m_oldMeets = meetsCondition(record);
        m_oldKey = keyOf(record);
    }
    return Status::ok();
}

Status IndexTag::recordWritten(const RecordContext& record) {
    if (custom()) return Status::ok();
    if (!m_hot || record.recno() != m_hotRec)
        m_file.fatal(kFatalIntegrity, "zq_cdxErrInternal: data integrity error.", false);
    m_hot = false;
    bool meets = meetsCondition(record);
    std::string key = keyOf(record);
    uint32_t rec = record.recno();
    bool changed = m_appended || key != m_oldKey || meets != m_oldMeets;
    if (!changed) return Status::ok();
    IndexFile::WriteLock lock(m_file);
    if (!lock.status()) return lock.status();
    if (!m_appended && m_oldMeets && (key != m_oldKey || !meets))
        m_tree.remove(bytes(m_oldKey), rec);
    if (meets && (m_appended || key != m_oldKey || !m_oldMeets)) insertEntry(bytes(key), rec);
    // The cursor stays with its record when the record's key moved.
    if (!m_eof && m_rec == rec) {
        m_key = key;
        m_generation = ~uint64_t(0);
    }
    return Status::ok();
}

}  // namespace drav::data
