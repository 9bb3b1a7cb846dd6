// One index tag of an open index file: its expressions, a cursor over its
// keys (seek, first, last, next, previous) restricted by a scope, key counts
// and positions, and the upkeep of its keys as the table writes records.
//
// Sections: identity and expressions; navigation; scope and counts; key
// upkeep (TableObserver).
//
// The cursor remembers the key and record number it stands on, so it
// survives other stations' changes: when the file's pages were dropped or
// the tree changed since the last step, the next step first finds that
// key again (or, when it is gone, the place where it was).
//
// Scope: the keys from the first one whose leading bytes (as many as the
// top value has) are >= top, to the last one whose leading bytes (as many
// as the bottom value has) are <= bottom. Seeks and scopes on text keys
// match by prefix: a shorter value finds the first key that begins with it.
#pragma once

#include "data/RecordContext.h"
#include "data/Status.h"
#include "data/cdx/CdxFormat.h"
#include "data/cdx/CdxTree.h"
#include "data/cdx/KeyMaker.h"
#include "data/expr/Expression.h"

#include <cstdint>
#include <optional>
#include <string>

namespace drav::data {

class IndexFile;

class IndexTag : public TableObserver {
public:
    IndexTag(IndexFile& file, std::string name, uint32_t headerOffset, const cdx::TagHeader& header,
             Expression key, Expression condition);

    // ---- Identity and expressions ---------------------------------------------
    const std::string& name() const { return m_name; }
    const std::string& keyText() const { return m_keyText; }
    const std::string& conditionText() const { return m_conditionText; }
    char keyType() const { return m_maker.type(); }
    int keyLength() const { return m_maker.keyLength(); }
    bool unique() const { return m_options & cdx::kOptUnique; }
    bool custom() const { return m_options & cdx::kOptCustom; }
    IndexFile& file() { return m_file; }
    cdx::CdxTree& tree() { return m_tree; }

    // The condition evaluated from now on instead of the stored text (a view
    // keeps the records of its own condition, stored as "!DELETED()").
    void setCondition(const Expression& condition) { m_condition = condition; }
    // The record's key bytes, and whether the record belongs in the tag.
    std::string keyOf(const RecordContext& record) const;
    bool meetsCondition(const RecordContext& record) const;

    // ---- Navigation -----------------------------------------------------------
    // Within the scope; eof() when no key is left in that direction. Going
    // back past the first key leaves the cursor on it with bof() set.
    Status goTop();
    Status goBottom();
    Status next();
    Status prev();
    // Moves n keys (negative: back); *moved gets the keys actually passed.
    Status skip(long n, long* moved = nullptr);
    // Stands on the key at position p (1 first) within the scope, crossing
    // whole leaves at a time; eof when the scope holds fewer keys.
    Status goToPosition(uint64_t p);
    // The first key (within the scope) that begins with the value: text is
    // a prefix, other types match in full. Not found: soft leaves the
    // cursor on the next greater key (eof when none), else at eof. A value
    // of another type than the key's is a data type error.
    Status seek(const Value& value, bool soft, bool* found);
    Status seekBytes(std::string_view key, bool soft, bool* found);
    // Puts the cursor on the record's own key (the table moved to it);
    // *found tells whether the tag holds it.
    Status goToRecord(const RecordContext& record, bool* found = nullptr);

    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    uint32_t recno() const { return m_eof ? 0 : m_rec; }
    const std::string& currentKey() const { return m_key; }

    // ---- Scope and counts ----------------------------------------------------------
    // Either bound may be absent. Values are encoded as for seek.
    Status setScope(const std::optional<Value>& top, const std::optional<Value>& bottom);
    void setScopeBytes(std::optional<std::string> top, std::optional<std::string> bottom);
    void clearScope();
    // The keys within the scope; the position (1 first) of the current key
    // within it, 0 at eof.
    Status keyCount(uint64_t* count);
    Status keyPosition(uint64_t* position);

    // ---- Key upkeep ---------------------------------------------------------------------
    Status beforeChange(const RecordContext& record, bool appended) override;
    Status recordWritten(const RecordContext& record) override;
    // Direct edits under one write lock (the upkeep above uses them).
    Status addKey(std::string_view key, uint32_t rec);
    Status removeKey(std::string_view key, uint32_t rec);

private:
    cdx::TreePos scopeFirst();
    cdx::TreePos scopeLast();
    bool aboveBottom(const cdx::TreePos& pos);
    bool belowTop(const cdx::TreePos& pos);
    // Finds the cursor's entry again when needed; true when it still exists.
    bool relocate();
    void stand(const cdx::TreePos& pos);
    void setEof();
    Status stepForward();
    Status stepBack();
    bool insertEntry(const uint8_t* key, uint32_t rec);

    IndexFile& m_file;
    std::string m_name;
    std::string m_keyText;
    std::string m_conditionText;
    uint8_t m_options;
    cdx::KeyMaker m_maker;
    Expression m_condition;
    cdx::CdxTree m_tree;

    // Cursor.
    bool m_eof = true;
    bool m_bof = false;
    std::string m_key;
    uint32_t m_rec = 0;
    cdx::TreePos m_pos;
    uint64_t m_generation = ~uint64_t(0);

    std::optional<std::string> m_top, m_bottom;

    // The record being changed, as it was before (beforeChange).
    bool m_hot = false;
    bool m_appended = false;
    uint32_t m_hotRec = 0;
    bool m_oldMeets = false;
    std::string m_oldKey;
};

}  // namespace drav::data
