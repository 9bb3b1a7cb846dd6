// Process-wide folders.
//
// The data folder is the current folder. The instance folder is this
// running copy's private work folder (its view index files and print
// temporaries live there); it is empty until the instance is set up at
// start, and is kept with a trailing "/".
#pragma once

#include <string>

namespace drav {

void setInstanceFolder(const std::string& pathWithSlash);
const std::string& instanceFolder();

// $TEMP, else $TMPDIR, else /tmp; without a trailing "/".
std::string tempFolder();

}  // namespace drav
