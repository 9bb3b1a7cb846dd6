// The seam between a table and the expressions and index tags built on it.
//
// An index key or condition ("UPPER( cliente )", "!EMPTY( numero ) .AND.
// !DELETED()") is evaluated on a record through RecordContext: the table
// implements it over its record buffer. An open index tag follows the
// table's writes through TableObserver: the table calls beforeChange() with
// the record as it is before its first change (or right after a blank
// append), and recordWritten() when the changed record reaches the file, so
// the tag can compare the old and the new key and condition.
#pragma once

#include "data/Status.h"
#include "util/Value.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace drav::data {

class RecordContext {
public:
    virtual ~RecordContext() = default;

    // The position of a field by name (case-insensitive), -1 when the table has none.
    virtual int fieldIndex(std::string_view name) const = 0;
    // The field's type letter ('C', 'N', 'D', 'L', 'M'), length and decimals.
    virtual char fieldType(int index) const = 0;
    virtual int fieldLength(int index) const = 0;
    virtual int fieldDecimals(int index) const = 0;
    // The field's value on the current record (text as stored, Windows-1252).
    virtual Value fieldValue(int index) const = 0;
    // The raw bytes of the field in the record buffer (C, N, D, L fields).
    virtual std::string_view fieldBytes(int index) const = 0;
    virtual bool deleted() const = 0;
    virtual uint32_t recno() const = 0;
};

class TableObserver {
public:
    virtual ~TableObserver() = default;

    // The current record is about to change for the first time since it was
    // last written (appended: the blank record just added).
    virtual Status beforeChange(const RecordContext& record, bool appended) = 0;
    // The changed record has been written to the file.
    virtual Status recordWritten(const RecordContext& record) = 0;
};

// The records a tag is built from: every record of the table in physical
// order (deleted ones included: the tag's condition decides), or, for a view
// built within a scope, the records of the controlling tag in its order.
class RecordScan {
public:
    virtual ~RecordScan() = default;

    // The record current before the scan (a blank record at end of table):
    // a new tag learns its key type and length from it.
    virtual const RecordContext& currentRecord() = 0;
    // Calls visit once per record, with that record current in the context.
    // Stops at the first failure and returns it.
    virtual Status forEach(const std::function<Status(const RecordContext&)>& visit) = 0;
    // The largest record number the scan may visit (sizes the record bits of new leaves).
    virtual uint32_t maxRecno() = 0;
};

}  // namespace drav::data
