// Index tag order. Sections: identity; moving; seek and scope; counting;
// a view's keys.
#include "data/access/TagOrder.h"

#include "data/cdx/IndexTag.h"
#include "data/dbf/TableFile.h"

namespace drav::data {

TagOrder::TagOrder(TableFile& table, std::unique_ptr<IndexFile> file, const ViewCondition* keep,
                   bool view)
    : m_table(table), m_file(std::move(file)), m_view(view) {
    if (keep) m_keep = *keep;
}

TagOrder::~TagOrder() = default;

// ---- Identity --------------------------------------------------------------

const std::string& TagOrder::path() const {
    return m_file->path();
}

IndexTag& TagOrder::tag() const {
    return m_file->tag();
}

std::string TagOrder::name() const {
    return tag().name();
}

std::string TagOrder::keyText() const {
    return tag().keyText();
}

char TagOrder::keyType() const {
    return tag().keyType();
}

TableObserver* TagOrder::observer() {
    if (m_keep) return this;
    return &tag();
}

// ---- Moving ----------------------------------------------------------------

Status TagOrder::sync() {
    // Leaving the record would write it anyway; written now, its key is in
    // the tag before the cursor looks for it.
    if (Status s = m_table.commit(); !s) return s;
    if (m_table.eof()) return Status::ok();
    IndexTag& t = tag();
    if (!t.eof() && t.recno() == m_table.recno() && t.currentKey() == t.keyOf(m_table))
        return Status::ok();
    return t.goToRecord(m_table);
}

Status TagOrder::settle(int direction) {
    IndexTag& t = tag();
    for (;;) {
        if (t.eof()) return m_table.goTo(0);
        if (Status s = m_table.goTo(t.recno()); !s) return s;
        if (!m_table.eof() && !m_table.deleted()) return Status::ok();
        // A key without a live record behind it.
        if (direction > 0) {
            if (Status s = t.skip(1); !s) return s;
            continue;
        }
        if (Status s = t.skip(-1); !s) return s;
        if (t.bof()) {
            // Nothing live before it: the first live record, at the beginning.
            m_bof = true;
            direction = 1;
            if (t.eof()) return m_table.goTo(0);
            if (Status s = m_table.goTo(t.recno()); !s) return s;
            if (!m_table.eof() && !m_table.deleted()) return Status::ok();
            if (Status s = t.skip(1); !s) return s;
        }
    }
}

Status TagOrder::goTop() {
    if (Status s = m_table.commit(); !s) return s;
    if (Status s = tag().goTop(); !s) return s;
    m_bof = false;
    if (Status s = settle(1); !s) return s;
    m_bof = m_table.eof();  // an empty scope is at both ends
    return Status::ok();
}

Status TagOrder::goBottom() {
    if (Status s = m_table.commit(); !s) return s;
    if (Status s = tag().goBottom(); !s) return s;
    m_bof = false;
    if (Status s = settle(-1); !s) return s;
    if (m_table.eof()) m_bof = true;
    return Status::ok();
}

Status TagOrder::goToPosition(uint64_t p) {
    if (Status s = m_table.commit(); !s) return s;
    if (p <= 1) return goTop();
    if (Status s = tag().goToPosition(p); !s) return s;
    m_bof = false;
    // A key without a live record behind it gives way to the next live one.
    return settle(1);
}

Status TagOrder::skip(int64_t n) {
    if (Status s = sync(); !s) return s;
    IndexTag& t = tag();
    if (n == 0) return m_table.eof() ? Status::ok() : m_table.goTo(m_table.recno());
    for (; n > 0; --n) {
        if (m_table.eof()) break;
        m_bof = false;
        if (Status s = t.skip(1); !s) return s;
        if (Status s = settle(1); !s) return s;
    }
    for (; n < 0; ++n) {
        if (m_table.eof()) {
            if (Status s = goBottom(); !s) return s;
            if (m_table.eof()) break;
            continue;
        }
        m_bof = false;
        if (Status s = t.skip(-1); !s) return s;
        if (t.bof()) {
            // Before the first key of the scope: the cursor stays on it.
            m_bof = true;
            if (Status s = settle(1); !s) return s;
            break;
        }
        if (Status s = settle(-1); !s) return s;
        if (m_bof) break;
    }
    return Status::ok();
}

Status TagOrder::goToRecord(uint32_t) {
    // The cursor finds the record's key at the next step (sync).
    m_bof = false;
    return Status::ok();
}

// ---- Seek and scope --------------------------------------------------------

Status TagOrder::seek(const Value& key, bool soft, bool* found) {
    *found = false;
    if (Status s = m_table.commit(); !s) return s;
    m_bof = false;
    IndexTag& t = tag();
    if (Status s = t.seek(key, soft, found); !s) return s;
    if (t.eof()) return m_table.goTo(0);
    const std::string landed = t.currentKey();
    const uint32_t rec = t.recno();
    if (Status s = settle(1); !s) return s;
    if (*found && (m_table.eof() || m_table.recno() != rec)) {
        // The key found had no live record: the next live one counts when
        // it still begins with the value.
        size_t len = isText(key) ? std::min(std::get<std::string>(key).size(), landed.size())
                                 : landed.size();
        *found = !t.eof() && t.currentKey().compare(0, len, landed, 0, len) == 0;
        if (!*found && !soft) return m_table.goTo(0);
    }
    return Status::ok();
}

Status TagOrder::setScope(const std::optional<Value>& top, const std::optional<Value>& bottom) {
    auto present = [](const std::optional<Value>& v) {
        return v && !isNil(*v) ? v : std::optional<Value>();
    };
    std::optional<Value> t = present(top), b = present(bottom);
    if (Status s = tag().setScope(t, b); !s) return s;
    m_top = std::move(t);
    m_bottom = std::move(b);
    return Status::ok();
}

// ---- Counting --------------------------------------------------------------

Status TagOrder::keyCount(uint64_t* count) {
    if (Status s = m_table.commit(); !s) return s;
    return tag().keyCount(count);
}

Status TagOrder::keyPosition(uint64_t* position) {
    *position = 0;
    if (Status s = sync(); !s) return s;
    if (m_table.eof()) return Status::ok();
    return tag().keyPosition(position);
}

std::string TagOrder::currentKey() const {
    return m_table.eof() ? std::string() : tag().keyOf(m_table);
}

// ---- A view's keys ---------------------------------------------------------

Status TagOrder::beforeChange(const RecordContext& record, bool appended) {
    m_appended = appended;
    if (!appended) {
        m_oldMeets = (*m_keep)(record);
        m_oldKey = tag().keyOf(record);
    }
    return Status::ok();
}

Status TagOrder::recordWritten(const RecordContext& record) {
    IndexTag& t = tag();
    const bool meets = (*m_keep)(record);
    const std::string key = t.keyOf(record);
    const uint32_t rec = record.recno();
    if (m_appended) return meets ? t.addKey(key, rec) : Status::ok();
    if (key == m_oldKey && meets == m_oldMeets) return Status::ok();
    if (m_oldMeets)
        if (Status s = t.removeKey(m_oldKey, rec); !s) return s;
    if (meets) return t.addKey(key, rec);
    return Status::ok();
}

}  // namespace drav::data
