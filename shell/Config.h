// The configuration file "DRAV.CFG" of the data folder: its creation with
// the defaults at the first start, and the loading of its settings.
#pragma once

namespace drav::shell {

constexpr const char* kConfigFile = "DRAV.CFG";

// MKCFG: when the file does not exist, declares the five settings with
// their defaults (CFG_DBUST 0, CFG_IVA 20, CFG_NFATT 1, CFG_SBUST 0,
// CFG_SFATT 0) and writes them. Errors go to the error handler; false when
// the file could not be written and the handler let the caller go on.
bool mkCfg();

// Declares one setting for every key of section "Vars" and gives each its
// value from the file; they stay visible until the program ends. A file
// without the section declares nothing. False when the file could not be
// read.
bool loadSettings();

}  // namespace drav::shell
