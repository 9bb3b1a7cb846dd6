// Typed searches. Sections: letters; keySearch; keySeek; keyLocate.
#include "data/access/KeySearch.h"

#include "data/access/Slots.h"
#include "data/dbf/TableErrors.h"
#include "data/expr/Expression.h"
#include "util/Error.h"
#include "util/Text.h"

namespace drav::data {

namespace {

bool printable(int key) {
    return key >= 32 && key <= 126;
}

// Where the table stands: its record number, past the last at end of table.
uint32_t position(const Table& t) {
    return t.recno();
}

// A text sought on the controlling order; a key of another kind than text
// holds no letters, so nothing is found there and the table is left at end
// of table like any seek that fails.
bool seekText(Table& t, const std::string& text) {
    if (t.controlling().keyType() != 'C') {
        t.goTo(0);
        return false;
    }
    return t.seek(Value(text));
}

void passDeleted(Table& t) {
    if (!t.eof() && t.deleted()) t.skip(1);
}

// ---- keySearch -------------------------------------------------------------

struct SearchState {
    std::string text;
    // Where the last search ended.
    int slot = 0;
    std::string alias;
    uint32_t recno = 0;
};

SearchState g_search;

}  // namespace

const std::string& keySearchText() {
    return g_search.text;
}

void keySearch(KeyList* list, int key, std::string_view prefix) {
    if (!list) {
        g_search.text.clear();
        return;
    }
    Table& t = current();
    const uint32_t start = position(t);
    if (g_search.slot != t.slot() || g_search.alias != t.alias() || g_search.recno != start)
        g_search.text.clear();
    if (!printable(key) && key != kKeyBackspace) return;

    std::string& text = g_search.text;
    if (key == kKeyBackspace) {
        if (!text.empty()) text.pop_back();
    } else {
        text += keyCapital(static_cast<char>(key));
    }
    if (!seekText(t, std::string(prefix) + text)) {
        if (!text.empty()) text.pop_back();
        t.goTo(start);
    }
    passDeleted(t);
    if (position(t) != start) list->redrawAround();
    g_search.slot = t.slot();
    g_search.alias = t.alias();
    g_search.recno = position(t);
}

// ---- keySeek ---------------------------------------------------------------

void keySeek(KeyList& list, int key, std::string_view prefix) {
    if (!printable(key)) return;
    Table& t = current();
    const uint32_t start = position(t);
    const std::string letter = std::string(prefix) + keyCapital(static_cast<char>(key));
    auto beginsWithLetter = [&] {
        return !t.eof() && keyCapitals(t.controlling().currentKey()).starts_with(letter);
    };
    if (beginsWithLetter()) {
        t.skip(1);
        if (beginsWithLetter()) {
            // The next key has the letter too: the list steps down to it.
            t.skip(-1);
            list.highlightDown();
            return;
        }
    }
    bool found = seekText(t, letter);
    if (!found) {
        std::string lower = letter;
        char& c = lower.back();
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        found = seekText(t, lower);
    }
    if (found)
        list.makeFirstVisible();
    else
        t.goTo(start);
    passDeleted(t);
    if (position(t) != start) list.redrawAround();
}

// ---- keyLocate -------------------------------------------------------------

void keyLocate(KeyList& list, int key, std::string_view fieldExpression) {
    if (!printable(key)) return;
    Table& t = current();
    Expression field;
    if (Status s = Expression::compile(fieldExpression, t.file(), field); !s) {
        raiseError(s.toErrorInfo());
        throw Abandoned(s.toString());
    }
    const uint32_t start = position(t);
    const char letter = keyCapital(static_cast<char>(key));
    auto matches = [&] {
        Value v = field.evaluate(t.file());
        std::string text = isText(v) ? std::get<std::string>(v) : cValToChar(v);
        return !text.empty() && keyCapital(text.front()) == letter;
    };
    if (!t.eof()) {
        t.skip(1);
        while (!t.eof() && !matches()) t.skip(1);
    }
    if (t.eof()) {
        t.goTop();
        while (!t.eof() && !matches()) t.skip(1);
    }
    if (t.eof()) t.goTo(start);
    if (position(t) != start) list.redrawAround();
}

}  // namespace drav::data
