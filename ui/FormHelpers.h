// The helpers every form uses: the close rule, the control searches, the
// refresh of a whole form, the one-line input prompt, the about box and
// two small screen helpers.
//
// Sections: close protocol (valid), searches (ctl, item), control helpers
// (ctlDisable, fldHideItem, refreshAll, cbPicture), prompts (msgGet,
// infos), colours (getSysBgColor).
#pragma once

#include "ui/Binding.h"

#include <QColor>
#include <QString>

namespace drav::ui {

class TComboBox;
class TContainer;
class TControl;
class TDialog;
class TFolder;

// ---- Close protocol ------------------------------------------------------

// __VALID: whether the form may close now. Every form installs it as its
// close permission; edit cards pass askOnCancel true ("Annullo le
// modifiche?" when something changed), lists, searches and prompts false.
// A confirmation (close reason 1) validates the controls in definition
// order and reports only the first failure: "Data non valida.", "Numero
// troppo grande." or "Campo non valido.", with a red mark under the field,
// which then gets the focus.
bool valid(TDialog& form, bool askOnCancel);

// ---- Searches ------------------------------------------------------------

// CTL by position: the control created at that position (1-based).
TControl* ctl(TContainer& form, int position);
// CTL by name: the first control, in creation order and through the pages
// of folders depth-first, whose variable name equals or begins with the text.
TControl* ctl(TContainer& form, const QString& name);
// ITEM: the first control with that id, searching folder pages the same way.
TControl* item(TContainer& form, int id);

// ---- Control helpers -----------------------------------------------------

// For a combo box, empties the text of its current item (still selected)
// and its bound value; then disables the control.
void ctlDisable(TControl& control);
// Moves the page to the end of the folder's pages and removes its tab.
void fldHideItem(TFolder& folder, int page);
// Brings every bound control's display back in line with its value; a call
// made while one is running (from a change handler it triggered) returns at once.
void refreshAll(TContainer& form);
// Applies the edit mask to the text typed into a combo box's edit field,
// the caret staying where it was: "@!" upper-cases the text, "9" removes
// the first character that is not a digit.
void cbPicture(TComboBox& combo, const QString& mask);

// ---- Prompts -------------------------------------------------------------

// MSGGET: the one-line input form. True and the value updated when
// confirmed; false and the value untouched otherwise.
bool msgGet(const QString& title, const QString& prompt, Value& value, const QString& mask = {});
bool msgGet(const QString& title, const QString& prompt, std::string& value,
            const QString& mask = {});
bool msgGet(const QString& title, const QString& prompt, double& value, const QString& mask = {});
bool msgGet(const QString& title, const QString& prompt, Date& value, const QString& mask = {});

// INFOS: the about box.
void infos(const QString& title, const QString& version, const QString& year);

// ---- Colours -------------------------------------------------------------

// The system colour of a Windows colour index (5 window, 15 button face,
// ...), or white when the station works in network mode (the marker file
// is looked up on every call).
QColor getSysBgColor(int index);

}  // namespace drav::ui
