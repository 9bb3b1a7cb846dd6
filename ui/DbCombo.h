// DBCOMBO: the pick list that drops down under an edit field (the client
// list of the run card and of the searches).
//
// The lookup table is opened shared in a free slot under a new alias, with
// its index, for the time the list is shown; it is closed and the slot
// that was current before selected again on every way out, an error
// included. While the list is open the small button beside the field is
// disabled, the highlighted record's display field is written into the
// edit field, typing searches, a click (or Enter) picks the row, and Esc
// or a click elsewhere closes the list without a pick, putting back what
// had been typed. The field's change handler runs only after a pick.
#pragma once

#include "data/access/ViewCondition.h"
#include "util/Value.h"

#include <QFont>
#include <functional>
#include <optional>
#include <string>

namespace drav::ui {

class TControl;
class TGet;

struct DbComboArgs {
    std::string table = "CLIENTI";
    std::string index = "CLIENTI";                   // the tag file; "" for record-number order
    std::string scope{};                             // only the keys that begin with it
    std::optional<data::ViewCondition> condition{};  // a private view of the records meeting it
    std::string key{};                               // the view's key text
    bool unique = false;
    std::string display = "cliente";  // the field the list shows
    std::function<Value()> code{};    // evaluated on the picked record: the field's cCode
    int width = 0;                    // 0: from the field's left edge to the button's right
    int rows = 9;
    std::optional<bool> rightAligned{};  // default: numbers right, the rest left
    bool keySearch = true;               // typing: the incremental key search
    std::string locate{};                // else: the jump by this field's first letter
    std::optional<QFont> font{};
};

// Shows the list under the field and waits until it has closed; true when
// a row was picked.
bool dbCombo(TGet& field, TControl* button, DbComboArgs args = {});

}  // namespace drav::ui
