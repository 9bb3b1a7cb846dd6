// The card cycle of every register: the card edits a copy of the record;
// a confirmed card is saved; a save the rules refuse (a duplicate, a full
// disk) shows the card again with what the user typed, counted as changed
// so that cancelling it asks before the typing is thrown away.
//
// A screen gives the card (which shows the values and returns the button
// that closed it, 0 when it was cancelled) and the save:
//
//   Recipient values = ...;
//   cardLoop(values,
//            [&](Recipient& v, bool reopened) { return showCard(v, reopened); },
//            [&](const Recipient& v) { return saveRecipient(*t, v, editing); });
#pragma once

#include <functional>

namespace drav::clients {

// The button that confirmed the saved card; 0 when the card was cancelled.
template <class Values>
int cardLoop(Values& values, const std::function<int(Values&, bool reopened)>& show,
             const std::function<bool(const Values&)>& save) {
    for (bool reopened = false;; reopened = true) {
        const int confirmedBy = show(values, reopened);
        if (confirmedBy == 0) return 0;
        if (save(values)) return confirmedBy;
    }
}

}  // namespace drav::clients
