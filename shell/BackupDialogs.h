// "Salvataggio dati..." and "Ripristino dati...": the archive chosen in a
// file dialog, then the backup or the restore of the data folder.
//
// Both dialogs show the filter "File ZIP (*.zip)" and start in the data
// folder; their objectNames are "SALVA" and "RICARICA".
#pragma once

class QWidget;

namespace drav::shell {

// SALVA: the save dialog "Salvataggio dati" proposing the default archive
// name; an existing archive is replaced without a question. Cancelling
// does nothing and shows nothing.
void salvataggioDati(QWidget* parent);

// RICARICA: after the question to switch the other stations off, the open
// dialog "Ripristina dati da" (existing files only); the archive is
// unpacked into the data folder and the maintenance rebuilds the indexes.
void ripristinoDati(QWidget* parent);

}  // namespace drav::shell
