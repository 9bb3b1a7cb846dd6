// A table with its tags, for drav-admin (see TaggedTable.h).
#include "tools/TaggedTable.h"

#include "data/schema/Schema.h"

#include <cctype>
#include <filesystem>

namespace drav::admin {

using namespace drav::data;

namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string tableFilePath(const std::string& dir, std::string_view table) {
    return dir + "/" + upper(table) + ".DBF";
}

std::string tagFilePath(const std::string& dir, std::string_view tag) {
    return dir + "/" + upper(tag) + ".NTX";
}

TaggedTable::~TaggedTable() {
    (void)close();
}

Status TaggedTable::open(const std::string& dir, std::string_view table, bool readOnly) {
    (void)close();
    std::string path = tableFilePath(dir, table);
    Status s = retryBusy([&] { return m_table.open(path, File::Share::Shared, readOnly); });
    if (!s) return s;
    const TableDef* def = findTable(table);
    if (!def) return Status::ok();
    for (const std::string& name : def->tags) {
        std::string tagPath = tagFilePath(dir, name);
        if (!std::filesystem::exists(tagPath)) continue;
        IndexOpenOptions o;
        o.shared = true;
        o.readOnly = readOnly;
        o.tableName = def->name;
        std::unique_ptr<IndexFile> f;
        s = retryBusy([&] { return IndexFile::open(tagPath, m_table, o, f); });
        if (!s) {
            (void)close();
            return s;
        }
        m_table.addObserver(&f->tag());
        m_tags.push_back(std::move(f));
    }
    return Status::ok();
}

Status TaggedTable::close() {
    // The table goes first: closing writes a changed record, which its
    // tags must still hear of.
    Status s = m_table.close();
    for (auto& f : m_tags) m_table.removeObserver(&f->tag());
    m_tags.clear();
    return s;
}

IndexTag* TaggedTable::tag(std::string_view name) {
    for (auto& f : m_tags)
        if (f->tag().name() == upper(name)) return &f->tag();
    return nullptr;
}

std::vector<std::string> TaggedTable::tagNames() const {
    std::vector<std::string> names;
    for (const auto& f : m_tags) names.push_back(f->tag().name());
    return names;
}

}  // namespace drav::admin
