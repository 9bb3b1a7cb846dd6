// The archive maintenance (see Manutenzione.h).
#include "data/backup/Manutenzione.h"

#include "data/access/ScopedTable.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "data/backup/MemoReclaim.h"
#include "data/schema/Schema.h"
#include "util/Error.h"
#include "util/Messages.h"

namespace drav::data {
namespace {

// Packs one table, gives back its memo's unused texts and builds its tags.
void maintainTable(const TableDef& def) {
    ScopedTable t(def.name, {}, false, false);
    t->check(t->file().pack(), TableOp::Maintain);
    t->check(reclaimMemo(t->file()), TableOp::Maintain);
    for (const std::string& name : def.tags) {
        const TagDef* tag = findTag(name);
        if (!tag) continue;  // not a tag of this program: nothing to build it from
        ordCondSet(tag->conditionText);
        ordBuild(tag->fileName(), tag->keyExpression);
    }
    t.close();
}

}  // namespace

bool maintainTables(const std::vector<TableDef>& tables, bool confirm) {
    if (confirm && !msgAsk(QStringLiteral("La manutenzione potrebbe;richiedere del tempo.;Confermi "
                                          "l'operazione?")))
        return false;
    ScopedWaitMsg wait(confirm ? QStringLiteral("Manutenzione degli archivi in corso.")
                               : QStringLiteral("Ricostruzione degli indici in corso."));
    const int previous = currentSlot();
    try {
        for (const TableDef& def : tables) maintainTable(def);
    } catch (const Abandoned&) {
        // The handler has shown the error; the table open then is closed and
        // the tables after it are left as they are.
        select(previous);
        return false;
    }
    select(previous);
    return true;
}

bool manutenzione(bool confirm) {
    return maintainTables(schemaTables(), confirm);
}

}  // namespace drav::data
