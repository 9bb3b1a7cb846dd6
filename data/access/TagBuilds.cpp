// Several tags of one table from one reading of it (see TagBuilds.h).
#include "data/access/TagBuilds.h"

#include "data/access/TableAccess.h"
#include "data/access/TagOrder.h"
#include "data/cdx/IndexBuild.h"
#include "data/cdx/IndexFile.h"
#include "data/schema/Schema.h"

namespace drav::data {

TagBuilds::TagBuilds(Table& table) : m_table(table) {}

TagBuilds::~TagBuilds() = default;

void TagBuilds::add(std::string_view tagFile, std::string_view keyText, std::string conditionText) {
    if (!m_refused) return;
    IndexBuildOptions o;
    o.keyText = stripFieldPrefix(keyText);
    o.conditionText = std::move(conditionText);
    o.shared = m_table.isShared();
    o.tableName = m_table.path();
    TableFile& file = m_table.file();
    Pending p{tagFileName(tagFile), nullptr};
    m_refused = IndexBuild::prepare(p.path, file, o, file.knownCount(), p.build);
    if (m_refused) m_builds.push_back(std::move(p));
}

void TagBuilds::feed(const RecordContext& record) {
    for (Pending& p : m_builds) p.build->add(record);
}

void TagBuilds::finish() {
    uint32_t count = 0;
    m_table.check(m_table.file().recCount(&count), TableOp::Read);
    for (Pending& p : m_builds) {
        // The same file open with this table is closed before it is emptied.
        for (int n = m_table.orderCount(); n >= 1; --n)
            if (auto* o = dynamic_cast<TagOrder*>(m_table.order(n)); o && o->path() == p.path)
                m_table.removeOrder(n);
        std::unique_ptr<IndexFile> f;
        m_table.check(p.build->finish(count, f), TableOp::Read);
        p.build.reset();
        m_table.addOrder(std::make_unique<TagOrder>(m_table.file(), std::move(f)));
        m_table.setOrder(m_table.orderCount());
    }
    m_builds.clear();
    m_table.check(m_refused, TableOp::Read);
}

}  // namespace drav::data
