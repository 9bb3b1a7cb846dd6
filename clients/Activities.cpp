#include "clients/Activities.h"

#include "clients/Client.h"
#include "data/access/ScopedTable.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "util/Cp1252.h"

namespace drav::clients {

QStringList aAttiv() {
    QStringList out;
    // An alias of its own: the activities screen may have ATTIVITA open.
    data::ScopedTable t("ATTIVITA", data::getNewAlias());
    data::ordAdd("ATTIVITA");
    const int field = t->needField("ATTIVITA");
    for (t->goTop(); !t->eof(); t->skip()) {
        const std::string text = trimRight(t->text(field));
        if (!text.empty()) out << fromCp1252(text);
    }
    return out;
}

}  // namespace drav::clients
