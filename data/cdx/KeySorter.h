// Sorts the (key, record number) pairs of a tag build in bounded memory.
//
// Pairs are collected in runs of at most `runBytes` of pairs (and at least
// the square root of the record count); each full run is sorted by merge
// sort and, when more than one run is needed, written to one temporary file
// in the instance folder, and the runs are merged at the end. Peak memory
// is one run plus the merge buffers, whatever the table size.
//
// A pair is kept as the key followed by the record number big-endian, so
// comparing the bytes of two pairs orders them by key, then record number.
//
// A temporary file that cannot be made or written is an integrity error
// (9301, 9302), raised by finish: adding keys never stops the caller half
// way through the records it is going over.
#pragma once

#include "data/os/File.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace drav::data::cdx {

class KeySorter {
public:
    // folder: where the temporary file goes ("" for the instance folder, or
    // the temporary folder when there is none).
    KeySorter(int keyLength, size_t runBytes, uint32_t recordCount, std::string folder);
    ~KeySorter();  // removes the temporary file
    KeySorter(const KeySorter&) = delete;
    KeySorter& operator=(const KeySorter&) = delete;

    void add(const uint8_t* key, uint32_t rec);
    // Hands every pair over in order; ends the program when a run could not
    // be kept.
    void finish(const std::function<void(const uint8_t* key, uint32_t rec)>& emit);

private:
    // The first 16 bytes of a pair as two big-endian numbers (zeros past
    // its end): most pairs compare on them alone.
    struct Prefix {
        uint64_t hi = 0, lo = 0;
    };
    struct Item {
        Prefix prefix;
        uint32_t at;  // the pair's position in the run buffer
    };
    struct Run {
        uint64_t offset;
        uint64_t count;
    };

    Prefix prefixOf(const uint8_t* pair) const;
    // a < b, pairs with their prefixes; past the prefix by their bytes.
    bool less(const Prefix& pa, const uint8_t* a, const Prefix& pb, const uint8_t* b) const;
    void sortRun();
    void spillRun();
    void merge(const std::function<void(const uint8_t*, uint32_t)>& emit);
    void fail(unsigned number, const char* text);

    int m_keyLength;
    size_t m_pairSize;
    size_t m_runPairs;
    std::string m_folder;
    std::vector<uint8_t> m_buffer;  // the current run, pairs one after the other
    std::vector<Item> m_items;
    std::vector<Run> m_runs;
    File m_temp;
    std::string m_tempPath;
    uint64_t m_tempSize = 0;
    unsigned m_failure = 0;  // the integrity error finish raises, 0 for none
    const char* m_failureText = "";
};

}  // namespace drav::data::cdx
