#include "data/access/OwnWaitMessage.h"

#include "util/Messages.h"
#include "util/UserPort.h"

namespace drav::data {

OwnWaitMessage::OwnWaitMessage(const QString& text, const QString& title, bool disableWindow)
    : m_saved(curMsg()), m_disabled(disableWindow) {
    waitClose();
    if (m_disabled) userPort().disableActiveWindow();
    waitMsg(text, title);
}

OwnWaitMessage::~OwnWaitMessage() {
    waitClose();
    if (m_disabled) userPort().enableDisabledWindow();
    if (m_saved) waitMsg(*m_saved);
}

}  // namespace drav::data
