// One e-mail handed to the user's mail program: the user composes and
// sends it there.
//
// On an ordinary station the desktop's mail program is asked through
// xdg-email (subject, text, the first recipient as main recipient and the
// others in copy, the attachments); each send starts the program anew.
#pragma once

#include <QString>
#include <utility>
#include <vector>

namespace drav::print {

struct MailAddress {
    QString name;
    QString address;
};

struct MailFile {
    QString path;  // full path
    QString name;  // as shown to the user
};

class TMail {
public:
    explicit TMail(QString subject = {}, QString noteText = {}, QString msgType = {},
                   QString conversationId = {}, bool receipt = false, bool fromUser = true,
                   MailAddress origin = {}, std::vector<MailAddress> recipients = {},
                   std::vector<MailFile> files = {});

    // Sends the mail; after a send that could not start the mail program,
    // a later one only says "Error initializing mail.".
    void activate();
    void end() {}
    int nRetCode() const { return m_nRetCode; }

private:
    std::vector<MailAddress> m_aRecipients;
    MailAddress m_aOrigin;
    std::vector<MailFile> m_aFiles;
    int m_nRetCode = 0;
    QString m_cSubject;
    QString m_cNoteText;
    QString m_cMsgType;
    QString m_cConversationId;
    bool m_lReceipt;
    bool m_lFromUser;
};

// MAPISENDMAIL: hands the mail to the mail program; its result code, -1
// when the program could not be started.
int mapiSendMail(const QString& subject, const QString& noteText,
                 const std::vector<MailAddress>& recipients, const std::vector<MailFile>& files);

}  // namespace drav::print
