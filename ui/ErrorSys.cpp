#include "ui/ErrorSys.h"

#include "ui/CallSite.h"
#include "util/Messages.h"

#include <QCoreApplication>
#include <QDesktopServices>

namespace drav::ui {
namespace {

MailOpener& openerSlot() {
    static MailOpener opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return opener;
}

NetworkUnlock& unlockSlot() {
    static NetworkUnlock unlock;
    return unlock;
}

void sUnlock() {
    if (unlockSlot()) unlockSlot()();
}

// Shows one of the fixed messages (after releasing the network lock) and
// gives the operation up.
ErrorOutcome abandonWith(const QString& message) {
    sUnlock();
    msgInfo(message);
    return ErrorOutcome::Abandon;
}

// Text that goes into the address as it stands must not be read as part of
// the address: "%" (an escape), "&" (the next field) and "#" (the end of the
// address) are escaped; ";" separates the report's lines.
QString mailText(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('%'), QLatin1String("%25"));
    t.replace(QLatin1Char('&'), QLatin1String("%26"));
    t.replace(QLatin1Char('#'), QLatin1String("%23"));
    t.replace(QLatin1Char(';'), QLatin1String("%0d%0a"));
    return t;
}

}  // namespace

QString errorMessage(const ErrorInfo& e) {
    QString t = e.severity > 1 ? QStringLiteral("Error ") : QStringLiteral("Warning ");
    t += e.subsystem.empty() ? QStringLiteral("???") : QString::fromStdString(e.subsystem);
    t += e.subCode ? QStringLiteral("/") + QString::number(*e.subCode) : QStringLiteral("/???");
    if (!e.description.empty()) t += QStringLiteral("  ") + QString::fromStdString(e.description);
    if (!e.fileName.empty())
        t += QStringLiteral(": ") + QString::fromStdString(e.fileName);
    else if (!e.operation.empty())
        t += QStringLiteral(": ") + QString::fromStdString(e.operation);

    // The failing level: levels without line information (the handler's
    // own) are passed over; the table driver's command layer is one level
    // further up.
    size_t level = e.subsystem == "DBCMD" ? 1 : 0;
    while (level < e.stack.size() && e.stack[level].line == 0 && !e.stack[level].function.empty())
        ++level;
    std::string function;
    int line = 0;
    if (level < e.stack.size()) {
        function = functionLabel(e.stack[level].function);
        line = e.stack[level].line;
    }
    t += QStringLiteral(";Function: ") + QString::fromStdString(function) +
         QStringLiteral("  Line: ") + QString::number(line);
    return t;
}

QUrl errorReportUrl(const QString& reportText) {
    const QString address =
        QStringLiteral("mailto:?subject=Rapporto di errore&body=Applicazione: ") +
        mailText(QCoreApplication::applicationFilePath()) + QStringLiteral("%0d%0a%0d%0a") +
        mailText(reportText);
    return QUrl(address, QUrl::TolerantMode);
}

// The file as the messages name it: the file name in capitals, as every
// file the program names itself is; the folder as it is, since folder names
// keep their letter case on this system.
QString messageFileName(const std::string& path) {
    const QString p = QString::fromStdString(path);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    return p.left(slash + 1) + p.mid(slash + 1).toUpper();
}

ErrorOutcome defError(const ErrorInfo& e) {
    const QString file = messageFileName(e.fileName);
    const int os = e.osCode;
    const int sub = e.subCode.value_or(0);

    if (os == oscode::NotReady) return abandonWith("Disco " + file + " non pronto.");
    if (os == oscode::SectorNotFound || os == oscode::DeviceFailure)
        return abandonWith("Disco " + file + " non formattato.");
    if (os == oscode::WriteProtected)
        return abandonWith("Disco " + file + " protetto da scrittura.");
    if (os == oscode::CannotMake) return abandonWith("Directory " + file + " piena.");
    if (e.subCode && sub == kSubDiskFull)
        return abandonWith("Spazio sul disco " + file + " insufficiente.");
    if (os == oscode::AccessDenied)
        return abandonWith("Impossibile accedere al file " + file + ".");
    if (os == oscode::PathNotFound) return abandonWith("Percorso " + file + " non trovato.");
    if (os == oscode::FileNotFound) return abandonWith("Impossibile aprire il file " + file + ".");
    if ((e.subCode && sub == kSubCorruptTable) || e.genCode == gen::Corruption)
        return abandonWith("Il file " + file + " risulta corrotto.");
    if (e.genCode == gen::Application) return abandonWith(errorMessage(e));
    if (e.genCode == gen::ZeroDivisor) return ErrorOutcome::Zero;
    if (e.genCode == gen::Open && e.canDefault &&
        (os == oscode::SharingViolation || os == oscode::AccessDenied))
        return ErrorOutcome::Fail;
    if (e.genCode == gen::AppendLock && e.canDefault) return ErrorOutcome::Fail;

    // Anything else: the report, the offer to mail it, the end of the program.
    sUnlock();
    const QString text = errorMessage(e);
    if (msgAsk(text + QStringLiteral(";;Inviare rapporto di errore via email?"), 2))
        openerSlot()(errorReportUrl(text));
    return ErrorOutcome::Quit;
}

void installErrorHandler() {
    setErrorHandler(defError);
}

MailOpener setMailOpener(MailOpener opener) {
    if (!opener) opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return std::exchange(openerSlot(), std::move(opener));
}

NetworkUnlock setNetworkUnlock(NetworkUnlock unlock) {
    return std::exchange(unlockSlot(), std::move(unlock));
}

}  // namespace drav::ui
