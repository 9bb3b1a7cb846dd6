// A private set of settings, visible from its creation to its end (see
// util/Settings.h). Scopes nest; each must end before the one opened
// before it, which their lifetime as local objects guarantees.
#pragma once

#include "util/Value.h"

#include <string_view>

namespace drav {

class SettingsScope {
public:
    SettingsScope();
    ~SettingsScope();
    SettingsScope(const SettingsScope&) = delete;
    SettingsScope& operator=(const SettingsScope&) = delete;

    // Declares a private setting without a value (or keeps the one this
    // scope already has); from now on it hides any setting of that name.
    void declare(std::string_view name);

private:
    size_t m_level;
};

}  // namespace drav
