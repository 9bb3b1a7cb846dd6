// The configuration file "DRAV.CFG" of the data folder: its creation with
// the defaults at the first start, and the loading of its settings.
#pragma once

#include <array>

namespace drav::shell {

constexpr const char* kConfigFile = "DRAV.CFG";

// The five user parameters and the values the first start writes.
struct DefaultSetting {
    const char* name;
    double value;
};
constexpr std::array<DefaultSetting, 5> kDefaultSettings{{
    {"CFG_DBUST", 0},  // envelope: column of the address block
    {"CFG_IVA", 20},   // VAT rate in percent
    {"CFG_NFATT", 1},  // number of the first invoice
    {"CFG_SBUST", 0},  // envelope: empty lines above the address block
    {"CFG_SFATT", 0},  // invoice: empty lines between letterhead and heading
}};

// MKCFG: when the file does not exist, declares the five settings with
// their defaults and writes them. Errors go to the error handler; false
// when the file could not be written and the handler let the caller go on.
bool mkCfg();

// Declares one setting for every key of section "Vars" and gives each its
// value from the file; they stay visible until the program ends. A file
// without the section declares nothing. False when the file could not be
// read.
bool loadSettings();

}  // namespace drav::shell
