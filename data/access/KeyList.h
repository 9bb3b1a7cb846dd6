// What the typed searches (KeySearch.h) need of the list that shows the
// current table: the browse list of the screens implements it.
#pragma once

namespace drav::data {

class KeyList {
public:
    virtual ~KeyList() = default;

    // The table's current record moved: redraw the rows around it, with the
    // highlight on its row.
    virtual void redrawAround() = 0;
    // Move the highlight down one row: the table goes to the next record
    // and the rows scroll when the highlight would leave the window.
    virtual void highlightDown() = 0;
    // The current record's row becomes the first visible row, highlighted.
    virtual void makeFirstVisible() = 0;
};

}  // namespace drav::data
