// The table driver: one open table file (and its memo file), its current
// record, its locks, and the index tags that follow its writes.
//
// Sections of TableFile.cpp: creating; opening and closing; the record
// count; navigation; reading and writing fields; append, commit and the
// header; delete and recall; locks; pack and zap; observers and scans.
//
// Modes. Shared: several stations have the file open; every move re-reads
// the record from the file, record counts come from the file size, and
// every write happens under a lock. Exclusive: nobody else has the file;
// an appended record lives in memory until it is committed, the header is
// rewritten at flush and close, and lock requests succeed at once.
//
// Locks on the table file (shared mode only):
//
//   Lock                 Offset              Length        Taken by
//   record r             4,000,000,000 + r   1             lockRecord (fails at once)
//   file                 4,000,000,001       294,967,295   lockFile (fails at once)
//   header and append    4,000,000,000       1             append, header rewrite (waits)
//
// Record life: a change (putField, deleteRecord, recall) first tells the
// observers beforeChange() with the record as it was, then marks the record
// changed; leaving the record (any move, append, lock change, commit, flush,
// close) writes it and tells them recordWritten(). An append tells them
// beforeChange(appended) for the blank record, which is then written on the
// first commit even if nothing was put into it.
// Every observer told beforeChange() is told recordWritten() when the
// record is written, whatever any observer answered: a failure of one is
// returned (the first one) after all the others were told.
//
// Invariants: in shared mode a changed record is written only while this
// station holds its record lock or the file lock; the header is rewritten
// only under the header lock; memo blocks a record no longer uses are
// released only after the record pointing elsewhere is in the file.
#pragma once

#include "data/RecordContext.h"
#include "data/Status.h"
#include "data/dbf/MemoFile.h"
#include "data/dbf/RecordView.h"
#include "data/dbf/TableLayout.h"
#include "data/os/File.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace drav::data {

constexpr uint64_t kLockBase = 4000000000ULL;
constexpr uint64_t kFileLockOffset = kLockBase + 1;
constexpr uint64_t kFileLockLength = 294967295ULL;
constexpr uint32_t kMaxRecords = 294967295U;  // record locks must stay below 2^32

class TableFile : public RecordContext {
public:
    TableFile();
    ~TableFile() override;
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    // Creates the table file (and the memo file when a field is M): the
    // header, the field descriptors, 0x0D 0x00 and the 0x1A mark. Invalid
    // when the field list cannot make a table; Busy when the file is open
    // elsewhere.
    static Status create(const std::string& path, const std::vector<FieldDef>& fields);
    // The memo file beside a table file: the same name with extension ".DBT".
    static std::string memoPathFor(const std::string& tablePath);

    // Opens the table and positions on the first visible record. NotFound
    // (naming the memo file) when a table with M fields has no memo file;
    // Corruption when the header is not a valid table header; Busy when the
    // share mode conflicts with another station's open.
    Status open(const std::string& path, File::Share share, bool readOnly);
    // Writes what is pending, releases the locks and closes both files.
    Status close();
    bool isOpen() const { return m_file.isOpen(); }
    bool isShared() const { return m_file.share() == File::Share::Shared; }
    bool isReadOnly() const { return m_file.readOnly(); }
    const std::string& path() const { return m_file.path(); }
    const TableLayout& layout() const { return m_layout; }
    const FieldDef& field(int index) const { return m_layout.field(index); }
    int fieldCount() const { return m_layout.fieldCount(); }

    // Navigation. Records with the deleted mark are passed over by goTop,
    // goBottom and skip (goTo positions on any record). Shared: every move
    // reads the record from the file; goBottom, goTo beyond the known count
    // and recCount take the count from the file size.
    Status goTo(uint32_t recno);
    Status goTop();
    Status goBottom();
    Status skip(int64_t count = 1);
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    Status recCount(uint32_t* count);
    uint32_t knownCount() const { return m_count; }

    // Field values. Text as stored (Windows-1252, padded); blank N is 0.
    Status getField(int index, Value* out) const;
    // Writes a value of the field's kind (text for C and M, number for N,
    // Date for D, bool for L). A number too wide fills the field with "*"
    // and gives DataWidth. Invalid at end of table, on a read-only table,
    // for a value of another kind, and in shared mode when neither the
    // record nor the file is locked by this station.
    Status putField(int index, const Value& value);
    Status deleteRecord();
    Status recall();

    // Appends a blank record and makes it current. Shared: under the header
    // and append lock, numbered from the file size, locked for this station
    // (its other record locks released) unless the file lock is held; Busy
    // when that lock is held elsewhere (the append-lock failure).
    Status append();
    // Writes the current record when it changed (and the header in shared
    // mode after an append).
    Status commit();
    // commit, then in exclusive mode the header and the 0x1A mark.
    Status flush();

    // Locks; in exclusive mode they succeed at once. A changed record is
    // written before any lock of this station is released, and the current
    // record is read again once its lock is held.
    Status lockRecord();
    Status lockRecord(uint32_t recno);
    Status lockFile();
    Status unlockAll();
    bool hasFileLock() const { return m_fileLock; }
    bool hasRecordLock(uint32_t recno) const { return m_fileLock || m_recordLocks.count(recno); }

    // Exclusive and writable only. pack keeps the live records in their
    // order, numbered from 1; zap removes every record and empties the memo file.
    Status pack();
    Status zap();

    // An observer is told about every write until it is removed; remove it
    // before it goes (closing the table writes a changed record and tells
    // the observers).
    void addObserver(TableObserver* observer);
    void removeObserver(TableObserver* observer);
    // Every record in physical order, read in large blocks. The current
    // record is written first if it changed.
    std::unique_ptr<RecordScan> scan();

    // RecordContext over the current record (blank at end of table).
    int fieldIndex(std::string_view name) const override { return m_layout.fieldIndex(name); }
    char fieldType(int index) const override { return m_layout.field(index).type; }
    int fieldLength(int index) const override { return m_layout.field(index).length; }
    int fieldDecimals(int index) const override { return m_layout.field(index).decimals; }
    Value fieldValue(int index) const override { return m_view.fieldValue(index); }
    std::string_view fieldBytes(int index) const override { return m_view.fieldBytes(index); }
    bool deleted() const override { return m_buf[0] == '*'; }
    uint32_t recno() const override { return m_recno; }

    // The memo file (nullptr for a table without M fields).
    MemoFile* memo() { return m_memo.isOpen() ? &m_memo : nullptr; }

private:
    friend class TableScan;

    uint64_t recordOffset(uint32_t recno) const {
        return m_layout.headerLength() + static_cast<uint64_t>(recno - 1) * m_layout.recordLength();
    }
    Status countFromFile(uint32_t* count) const;
    Status readRecord(uint32_t recno);
    void positionEof();
    Status stepForwardVisible();
    Status writable() const;
    Status markChanged();
    Status tellBeforeChange(bool appended);
    Status tellWritten();
    Status writeDateAndCount(uint32_t count);
    Status rewriteHeaderShared();
    Status releaseOtherRecordLocks(uint32_t keep);
    void rereadIfClean();
    void dropWindow() { m_windowCount = 0; }
    void reset();

    File m_file;
    MemoFile m_memo;
    TableLayout m_layout;
    std::string m_buf;   // the current record as this station sees it
    std::string m_disk;  // the same record as it is in the file
    RecordView m_view;
    uint32_t m_recno = 0;
    uint32_t m_count = 0;
    bool m_eof = true;
    bool m_bof = true;
    bool m_changed = false;         // observers told; the record must be written
    bool m_appendPending = false;   // exclusive: the appended record is not yet in the file
    bool m_headerPending = false;   // exclusive: header and 0x1A to write at flush
    bool m_appendedShared = false;  // shared: header to rewrite at the next commit
    bool m_fileLock = false;
    std::set<uint32_t> m_recordLocks;
    std::vector<TableObserver*> m_observers;

    // Exclusive mode: a window of consecutive records read in one call.
    std::string m_window;
    uint32_t m_windowFirst = 0;
    uint32_t m_windowCount = 0;
    uint32_t m_lastRead = 0;
};

}  // namespace drav::data
