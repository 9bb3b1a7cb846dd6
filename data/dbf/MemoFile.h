// The memo file of a table (<TABLE>.DBT, FPT layout): free texts of any
// length kept in 64-byte blocks, with a list of free block runs so that the
// space of replaced texts is used again.
//
// Header (1024 bytes = blocks 0..15; every integer big-endian):
//
//   Offset  Size  Content
//   0       4     next free block at the end of the file (16 in a new file)
//   4       4     block size: 64
//   8       8     "DRAVMEM" and a zero byte (writer signature; readers ignore it)
//   16      496   zero
//   512     11    "FlexFile3", 0x03, 0x00
//   523     4     number of free runs listed below, 0..62
//   527     8*62  free runs: first block (4), number of blocks (4), unused entries zero
//   1023    1     zero
//
// A file whose free-run count is 0 (a new file, or one written elsewhere
// with these bytes all zero) has no recorded free blocks.
//
// A value starts at a block: type (4, 1 = text), length (4), then the text;
// it takes ceil((8 + length) / 64) consecutive blocks.
//
// Concurrency. Stations write memos of different records at the same time
// (each under its record's lock), so the header and the free runs have a
// lock of their own: an exclusive lock on byte 2^40 of the memo file, held
// from reading the header to writing it back. No memo file can reach that
// offset: block numbers are 32-bit, so a file ends below 2^32 * 64 = 2^38.
// An exclusive open takes no lock.
#pragma once

#include "data/Status.h"
#include "data/os/File.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace drav::data {

constexpr uint32_t kMemoBlockSize = 64;
constexpr uint32_t kMemoFirstBlock = 16;
constexpr uint64_t kMemoLockOffset = 1ULL << 40;
constexpr int kMemoMaxFreeRuns = 62;

class MemoFile {
public:
    struct Run {
        uint32_t first = 0;
        uint32_t count = 0;
    };

    // Writes a new, empty memo file (the 1024-byte header and nothing else).
    static Status create(const std::string& path);
    // The number of blocks a text of this length takes.
    static uint32_t blocksFor(size_t length) {
        return static_cast<uint32_t>((8 + static_cast<uint64_t>(length) + kMemoBlockSize - 1) /
                                     kMemoBlockSize);
    }

    Status open(const std::string& path, File::Share share, bool readOnly);
    void close() { m_file.close(); }
    bool isOpen() const { return m_file.isOpen(); }
    const std::string& path() const { return m_file.path(); }

    // The text stored at the block; Corruption when the block or its length
    // lie outside the file.
    Status read(uint32_t block, std::string* text) const;
    // The blocks taken by the text at each of the blocks given (ascending),
    // the headers read in pieces of up to 1 MiB rather than one by one;
    // Corruption, as read() gives it, at the first that is not a text
    // inside the file.
    Status textBlocks(const std::vector<uint32_t>& starts, std::vector<uint32_t>* blocks) const;
    // Stores the text in free blocks (a large enough free run, else at the
    // end of the file) and gives its first block; 0 for an empty text.
    Status write(std::string_view text, uint32_t* block);
    // Gives the blocks of the value at `block` back to the free runs.
    Status release(uint32_t block);
    // Empties the file back to a bare header (zap).
    Status reset();

    // The free runs as the header now lists them (tests and tools).
    Status freeRuns(std::vector<Run>* runs, uint32_t* nextFree) const;

private:
    struct Header {
        uint32_t nextFree = kMemoFirstBlock;
        std::vector<Run> runs;  // sorted by first block, not overlapping
    };

    Status lockHeader();
    void unlockHeader();
    Status loadHeader(Header* h) const;
    Status storeHeader(const Header& h);
    Status valueBlocks(const Header& h, uint32_t block, uint32_t* count) const;
    static void addRun(Header& h, Run run);

    File m_file;
};

}  // namespace drav::data
