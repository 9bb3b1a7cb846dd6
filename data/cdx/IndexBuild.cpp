// A tag build fed record by record (see IndexBuild.h).
//
// Sections: helpers; the checks; the keys; writing the file.
//
// The file as a build writes it (offsets as they come out for a new file):
//
//   Offset  Size   Content
//   0       1024   directory header: root 1024, key length 10, options 224
//   1024    512    directory root leaf: one key, the tag name, record number 1536
//   1536    1024   the tag header: root, key length, options, key and condition texts
//   2560    512 n  the tree's pages in the order the build starts them, the first leaf first
#include "data/cdx/IndexBuild.h"

#include "data/cdx/CdxFormat.h"
#include "data/cdx/IndexFile.h"
#include "data/cdx/IndexTag.h"
#include "data/cdx/TagBuilder.h"
#include "util/FileHelpers.h"
#include "util/Text.h"

#include <algorithm>

namespace drav::data {

using namespace cdx;

// ---- Helpers ---------------------------------------------------------------------

namespace {

std::string baseTagName(const std::string& path) {
    std::string name = upperAscii(fileNameOf(path));
    if (auto dot = name.find_last_of('.'); dot != std::string::npos) name.resize(dot);
    if (name.size() > static_cast<size_t>(kDirKeyLength)) name.resize(kDirKeyLength);
    return name;
}

// The key length a key expression gives on a record, or the failure.
Status keyLengthOf(const Expression& key, const RecordContext& record, const std::string& path,
                   int* length) {
    switch (key.type()) {
        case 'N':
        case 'D':
            *length = 8;
            return Status::ok();
        case 'L':
            *length = 1;
            return Status::ok();
        case 'C': {
            std::string v;
            key.appendText(record, v);
            if (v.empty() || v.size() > static_cast<size_t>(kMaxKeyLength))
                return Status::invalid(path, "text key of length " + std::to_string(v.size()) +
                                                 " (1 to 240 allowed)")
                    .withCodes(gen::DataWidth, kSubKeyType);
            *length = static_cast<int>(v.size());
            return Status::ok();
        }
        default:
            return Status::invalid(path, "key without a usable value")
                .withCodes(gen::DataType, kSubKeyType);
    }
}

}  // namespace

// ---- The checks ------------------------------------------------------------------

IndexBuild::IndexBuild(const IndexBuildOptions& options, uint32_t recordCount, std::string path,
                       Expression key, Expression cond, int keyLength)
    : m_path(std::move(path)),
      m_keyText(options.keyText),
      m_conditionText(options.conditionText),
      m_viewCondition(options.condition),
      m_unique(options.unique),
      m_shared(options.shared),
      m_tableName(options.tableName),
      m_key(std::move(key)),
      m_cond(std::move(cond)),
      m_keyLength(keyLength),
      m_maker(m_key, keyLength, false),
      m_sorter(keyLength, options.runBytes, recordCount, options.tempFolder),
      m_scratch(static_cast<size_t>(keyLength)) {}

Status IndexBuild::prepare(const std::string& path, const RecordContext& current,
                           const IndexBuildOptions& options, uint32_t recordCount,
                           std::unique_ptr<IndexBuild>& out) {
    out.reset();
    Expression key, cond;
    if (Status s = Expression::compile(options.keyText, current, key); !s)
        return Status::invalid(path, "key expression: " + s.what())
            .withCodes(gen::DataType, kSubKeyType);
    int keyLength = 0;
    if (Status s = keyLengthOf(key, current, path, &keyLength); !s) return s;
    if (options.keyText.size() + options.conditionText.size() > static_cast<size_t>(kMaxExprText))
        return Status::invalid(path, "key and condition texts too long")
            .withCodes(gen::DataWidth, kSubExprWidth);
    if (!options.conditionText.empty()) {
        Status s = Expression::compile(options.conditionText, current, cond);
        if (!s || cond.type() != 'L')
            return Status::invalid(path, "condition is not logical")
                .withCodes(gen::DataType, kSubConditionType);
    }
    if (options.condition && options.condition->type() != 'L')
        return Status::invalid(path, "condition is not logical")
            .withCodes(gen::DataType, kSubConditionType);
    out.reset(
        new IndexBuild(options, recordCount, path, std::move(key), std::move(cond), keyLength));
    return Status::ok();
}

// ---- The keys --------------------------------------------------------------------

void IndexBuild::add(const RecordContext& record) {
    const Expression& test = m_viewCondition ? *m_viewCondition : m_cond;
    if (test.isValid() && !test.logical(record)) return;
    m_maker.make(record, m_scratch.data());
    m_sorter.add(m_scratch.data(), record.recno());
}

// ---- Writing the file ------------------------------------------------------------

Status IndexBuild::finish(uint32_t maxRecno, std::unique_ptr<IndexFile>& out) {
    out.reset();
    File f;
    Status s = File::create(m_path, m_shared ? File::Share::Shared : File::Share::Exclusive, f);
    if (!s) return s.withCodes(gen::Create, kSubCreate);
    std::unique_ptr<IndexFile> file(new IndexFile(std::move(f), m_tableName));
    file->m_creating = true;

    TagHeader h;
    h.keyLength = m_keyLength;
    h.options = kOptCompact | kOptCompound | (m_unique ? kOptUnique : 0) |
                (m_conditionText.empty() ? 0 : kOptCondition);
    h.keyText = m_keyText;
    h.conditionText = m_conditionText;
    const uint8_t fill = fillByte(m_key.type());
    const std::string tagName = baseTagName(m_path);
    {
        IndexFile::WriteLock lock(*file);
        if (!lock.status()) return lock.status();
        // The directory header with an empty root leaf, then the tag header.
        TagHeader dir;
        dir.keyLength = kDirKeyLength;
        dir.options = kDirOptions;
        uint8_t buf[kHeaderSize];
        file->appendSpace(kHeaderSize);
        CdxPage* dirRoot = file->newPage(true, kDirKeyLength, ' ');
        dirRoot->root = true;
        dir.root = dirRoot->offset;
        dir.serialize(buf);
        file->writeRaw(0, buf, kHeaderSize, "Write in index page failed.");
        uint32_t headerOffset = file->appendSpace(kHeaderSize);

        // The tree: the sorted keys written left to right.
        TagBuilder builder(*file, m_keyLength, fill, maxRecno, m_unique);
        m_sorter.finish([&](const uint8_t* key, uint32_t rec) { builder.add(key, rec); });
        h.root = builder.finish();
        h.serialize(buf);
        file->writeRaw(headerOffset, buf, kHeaderSize, "Write in index page failed.");

        // The tag's name in the directory, its header offset as record number.
        uint8_t name[kDirKeyLength];
        std::fill(name, name + kDirKeyLength, ' ');
        std::copy(tagName.begin(), tagName.end(), name);
        dirRoot->insert(0, name, headerOffset);
        file->markDirty(dirRoot);

        file->m_tags.push_back(
            std::make_unique<IndexTag>(*file, tagName, headerOffset, h, m_key, m_cond));
        if (m_viewCondition) file->tag().setCondition(*m_viewCondition);
    }
    file->m_creating = false;
    out = std::move(file);
    return Status::ok();
}

}  // namespace drav::data
