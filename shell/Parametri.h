// The parameters form (menu "Modifica", "Parametri..."): the five user
// parameters of "DRAV.CFG" edited on a private copy and written back.
#pragma once

namespace drav::shell {

// PARAMETRI: loads a private copy of the settings from "DRAV.CFG" (nothing
// is shown when the file cannot be read), shows the form and, when it is
// confirmed, writes every CFG_ setting back. A failed write shows the form
// again with the values as edited. The settings the other screens read are
// those loaded at start; the copy is discarded when the form closes.
void parametri();

// Registers the form's template "PARAMETRI" (done by parametri() itself;
// tests that build the form call it first).
void registerParametriTemplate();

}  // namespace drav::shell
