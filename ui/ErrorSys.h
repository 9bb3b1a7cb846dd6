// The program's error handler: what becomes of every run-time error.
//
// defError() tests the error against the rows below, first match wins
// (FILE is the file name in capitals). Each message is shown as an
// information box after the network lock has been released (SUNLOCK).
//
//   condition                                message                                outcome
//   OS code 21                               "Disco FILE non pronto."                abandon
//   OS code 27 or 31                         "Disco FILE non formattato."            abandon
//   OS code 19                               "Disco FILE protetto da scrittura."     abandon
//   OS code 82                               "Directory FILE piena."                 abandon
//   sub-code 2016                            "Spazio sul disco FILE insufficiente."  abandon
//   OS code 5                                "Impossibile accedere al file FILE."    abandon
//   OS code 3                                "Percorso FILE non trovato."            abandon
//   OS code 2                                "Impossibile aprire il file FILE."      abandon
//   sub-code 1012 or generic 32              "Il file FILE risulta corrotto."        abandon
//   generic 1001 (our own code)              the report text                         abandon
//   generic 5, division by zero              -                                       zero
//   generic 21, OS 32 or 5, can default      - (no unlock)                           fail softly
//   generic 40, can default                  - (no unlock)                           fail softly
//   anything else                            report and question                     end
//
// The report (errorMessage) is two lines: the kind of error, subsystem,
// sub-code, description and file or operation; then the function and source
// line where it happened. After it the user is asked whether to send it by
// e-mail: OK opens a new message in the mail program (a "mailto:" address
// with the subject "Rapporto di errore"); either way the program ends.
#pragma once

#include "util/Error.h"

#include <QString>
#include <QUrl>
#include <functional>

namespace drav::ui {

ErrorOutcome defError(const ErrorInfo& error);
QString errorMessage(const ErrorInfo& error);
// The "mailto:" address that carries a report to the mail program.
QUrl errorReportUrl(const QString& reportText);

// Installs defError as the program's error handler.
void installErrorHandler();

// How a "mailto:" address is opened (QDesktopServices::openUrl by default);
// returns the previous opener.
using MailOpener = std::function<void(const QUrl&)>;
MailOpener setMailOpener(MailOpener opener);

// SUNLOCK, the release of the network lock before a message; it has nothing
// to release in this system unless the table layer installs one.
using NetworkUnlock = std::function<void()>;
NetworkUnlock setNetworkUnlock(NetworkUnlock unlock);

}  // namespace drav::ui
