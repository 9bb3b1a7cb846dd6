// Finding a row of a list by typing: the searches a list runs for the keys
// the user types, on the current table's controlling order.
//
// keySearch  the incremental search of the lists: the typed letters
//            gather into one search text (one per process) that is sought
//            as a prefix of the keys; a letter that matches nothing is
//            dropped and the list stays where it was; Backspace shortens
//            the text. The text is forgotten when the list has moved since
//            the search last ended there, and when a navigation key calls
//            keySearch without a list.
// keySeek    a jump to the next key that begins with the typed letter.
// keyLocate  a jump to the next record whose field begins with the typed
//            letter, found by reading the records (for a list without an
//            index on that field).
//
// Only printable keys (codes 32 to 126) act, and Backspace (8) for
// keySearch. Letters are sought in capitals: only a-z become A-Z, as in
// the keys. Seeks go through the index: the cost is that of a descent, not
// of the table's size.
#pragma once

#include "data/access/KeyList.h"
#include "util/Text.h"

#include <string>
#include <string_view>

namespace drav::data {

constexpr int kKeyBackspace = 8;

// The capitals of a typed text as the keys hold them: only a-z change.
inline char keyCapital(char c) {
    return upperAscii(c);
}
inline std::string keyCapitals(std::string_view text) {
    return upperAscii(text);
}

// list nullptr: forgets the search text. prefix: sought before the search
// text (a list limited to the keys that begin with it).
void keySearch(KeyList* list, int key, std::string_view prefix = {});
// The search text gathered so far.
const std::string& keySearchText();

void keySeek(KeyList& list, int key, std::string_view prefix = {});
// fieldExpression: the text of the value compared ("cliente"), compiled
// against the current table; a text that does not compile is an error for
// the handler.
void keyLocate(KeyList& list, int key, std::string_view fieldExpression);

}  // namespace drav::data
