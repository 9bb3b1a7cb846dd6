#include "print/TMail.h"

#include "print/Launcher.h"
#include "util/Messages.h"

namespace drav::print {

TMail::TMail(QString subject, QString noteText, QString msgType, QString conversationId,
             bool receipt, bool fromUser, MailAddress origin, std::vector<MailAddress> recipients,
             std::vector<MailFile> files)
    : m_aRecipients(std::move(recipients)),
      m_aOrigin(std::move(origin)),
      m_aFiles(std::move(files)),
      m_cSubject(std::move(subject)),
      m_cNoteText(std::move(noteText)),
      m_cMsgType(std::move(msgType)),
      m_cConversationId(std::move(conversationId)),
      m_lReceipt(receipt),
      m_lFromUser(fromUser) {}

void TMail::activate() {
    if (m_nRetCode == -1) {
        msgInfo(QStringLiteral("Error initializing mail."));
        return;
    }
    m_nRetCode = mapiSendMail(m_cSubject, m_cNoteText, m_aRecipients, m_aFiles);
}

int mapiSendMail(const QString& subject, const QString& noteText,
                 const std::vector<MailAddress>& recipients, const std::vector<MailFile>& files) {
    QStringList args{QStringLiteral("--utf8")};
    if (!subject.isEmpty()) args << QStringLiteral("--subject") << subject;
    if (!noteText.isEmpty()) args << QStringLiteral("--body") << noteText;
    for (size_t i = 1; i < recipients.size(); ++i)
        args << QStringLiteral("--cc") << recipients[i].address;
    for (const MailFile& f : files) args << QStringLiteral("--attach") << f.path;
    if (!recipients.empty()) args << recipients.front().address;
    return launcher().run(QStringLiteral("xdg-email"), args);
}

}  // namespace drav::print
