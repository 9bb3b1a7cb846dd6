// The table layer's own wait message, shown for the lifetime of the object:
// the message shown before is closed first and comes back at the end, also
// when an error cuts the operation short. Optionally the active window is
// disabled meanwhile.
#pragma once

#include <QString>

#include <optional>

namespace drav::data {

class OwnWaitMessage {
public:
    OwnWaitMessage(const QString& text, const QString& title, bool disableWindow);
    ~OwnWaitMessage();
    OwnWaitMessage(const OwnWaitMessage&) = delete;
    OwnWaitMessage& operator=(const OwnWaitMessage&) = delete;

private:
    std::optional<QString> m_saved;
    bool m_disabled;
};

}  // namespace drav::data
