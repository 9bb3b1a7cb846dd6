// Named settings: the user parameters that the whole program reads (the
// CFG_ keys of "DRAV.CFG": first invoice number, VAT rate, envelope and
// invoice margins) and the way they are saved to and restored from a
// profile file.
//
// Sections: the registry; the typed look-up the screens use; the value
// encoding of the file; saveIni and restoreIni; the print margin.
//
// Registry. A setting is a name in capitals and a value (text, number, date
// or logical), or no value at all when it was declared without one. The
// public set lives until the program ends. A private set (SettingsScope)
// can be opened on top of it: what is declared there hides a public
// setting of the same name and disappears when the scope ends. The
// parameters form edits its own private copy this way, so the values the
// other screens read stay those loaded at start.
//
// Names are compared after turning a-z into capitals.
#pragma once

#include "util/Value.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace drav {

// Declares a public setting without a value. A setting that already exists
// keeps its value.
void declareSetting(std::string_view name);

// Gives the visible setting of that name its value. When none is visible,
// the setting is made in the innermost open set (the public one when no
// private set is open).
void setSetting(std::string_view name, Value value);

// The visible setting: the innermost private one of that name, else the
// public one; nullptr when none exists.
const Value* findSetting(std::string_view name);

// The visible settings whose names begin with the prefix, in alphabetical
// order of names.
std::vector<std::pair<std::string, Value>> visibleSettings(std::string_view prefix);

// A numeric setting for a screen. A setting that does not exist, or holds
// something other than a number, is a program error raised through the
// error handler; 0 when the handler lets the caller go on.
double settingNumber(std::string_view name);

// Value encoding in the profile file: a type letter and the value as text,
// trailing blanks removed. C text, N number (decimal, no leading blanks, no
// decimal part when whole: "20", "0", "2.5"), D date in the current date
// format, L ".T." or ".F.". A setting without a value has no encoding (an
// empty string).
std::string encodeSettingValue(const Value& value);
// The value of an encoded text: N reads the number at the start of the text
// after any blanks ("N 21" is 21, "N" is 0), L is true exactly when the text
// begins with ".T."; any other letter (or nothing) gives no value.
Value decodeSettingValue(std::string_view encoded);

// SAVEINI: writes every visible setting whose name matches the mask (a
// prefix followed by "*"; a mask without "*" names one setting) into
// section "Vars" of the file, in alphabetical order of names, replacing
// each key's line in place or adding it at the end of the section; the file
// and the section are made when missing. Settings without a value are not
// written, so a line the program cannot read stays as it is in the file.
// A write failure is raised through the error handler; false when the
// handler lets the caller go on.
bool saveIni(std::string_view mask, const std::string& file);

// RESTOREINI: for every key of section "Vars", in file order, gives the
// setting of that name the decoded value (the caller declares the settings
// first, from the same key list). A missing file or section restores
// nothing; a file that cannot be read is raised through the error handler.
bool restoreIni(const std::string& file);

// Left margin of every printed page, in eightieths of the printable width
// (columns of the 80-column print grid): 5, set at start-up; the page head
// narrows it to 1 while it prints.
double printMargin();
void setPrintMargin(double eightieths);

// For tests only: forgets every setting, public and private.
void TEST_resetSettings();

}  // namespace drav
