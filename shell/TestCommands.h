// TEST ONLY: hidden commands for the end-to-end tests of the program. They
// are added, as the menu "TEST", only when the program is started with
// --test-commands; an ordinary start never shows them.
//
//   "Stampa di prova"      a two-page print into the preview
//   "Errore imprevisto"    an unexpected error raised by a command
//   "Errore da un evento"  the same error raised by a window event outside
//                          any command, as a timer of a window would
//
// Both errors first show the instance folder ("Cartella dell'istanza: "
// and the path), so that a test can check it is gone once the program has
// ended.
#pragma once

class QMainWindow;

namespace drav::shell {

void TEST_addTestCommands(QMainWindow& window);

}  // namespace drav::shell
