#include "shell/BackupDialogs.h"

#include "data/backup/Backup.h"
#include "data/backup/Manutenzione.h"

#include <QDir>
#include <QFileDialog>

namespace drav::shell {
namespace {

const QString kZipFilter = QStringLiteral("File ZIP (*.zip)");

// The chosen file, "" when the dialog was cancelled.
std::string chosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst().toStdString();
}

// After a restore every table is packed and every index tag rebuilt, so the
// indexes match the restored tables.
void maintenanceAfterRestore() {
    data::manutenzione(false);
}

}  // namespace

void salvataggioDati(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Salvataggio dati"), QDir::currentPath(), kZipFilter);
    dialog.setObjectName(QStringLiteral("SALVA"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(QString::fromStdString(data::defaultArchiveName()));
    data::salva({}, chosenFile(dialog));
}

void ripristinoDati(QWidget* parent) {
    data::ricarica(
        [parent] {
            QFileDialog dialog(parent, QStringLiteral("Ripristina dati da"), QDir::currentPath(),
                               kZipFilter);
            dialog.setObjectName(QStringLiteral("RICARICA"));
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
            return chosenFile(dialog);
        },
        maintenanceAfterRestore);
}

}  // namespace drav::shell
