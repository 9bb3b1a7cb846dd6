// Our own function names as the user reads them in reports and definition
// errors: the compiler's full signature ("void drav::clients::scheda(int)")
// shortened to the qualified name ("drav::clients::scheda").
#pragma once

#include <string>
#include <string_view>

namespace drav::ui {

std::string functionLabel(std::string_view signature);

}  // namespace drav::ui
