// A form: a dialog template with its controls bound to the screen's values.
//
// Life of a form: the screen creates it (the template's controls are built
// at once), binds the controls it cares about, and calls activate(). The
// form is initialised (definition errors end the program here; the screen's
// init callback runs; when-conditions are applied), centred and shown;
// a modal form runs its own event loop until its close permission lets it
// close, and activate() returns its result.
//
// Keys handled by the form: Enter moves to the next control, presses a
// focused push button, and afterwards presses the template's default button
// when it has one (only a few small forms have one); Esc and the window's
// close box end the form with result 2 through the close permission.
// Tab and Shift+Tab move through the controls in definition order.
#pragma once

#include "ui/TContainer.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QPushButton;

namespace drav::ui {

struct ActivateArgs {
    bool centered = true;
    std::function<bool()> valid{};  // the close permission (see valid() in FormHelpers.h)
    bool modal = true;
    std::function<void()> init{};  // runs once the controls exist, before the form shows
    std::function<bool()> when{};  // false: the form is not shown, the result is 2
    bool centerInWnd = false;      // centre on the owner instead of the screen
    QWidget* owner = nullptr;      // default: the active window
};

class TDialog : public QDialog, public TContainer {
    Q_OBJECT
public:
    // New: the caption (empty: the template's own) and the template name.
    TDialog(const QString& caption, const QString& resName, QWidget* owner = nullptr);
    ~TDialog() override;

    QString cResName;
    bool lResize16 = true;  // built widened for large fonts
    bool lCentered = false;
    bool lCenterInWnd = false;
    bool lModal = true;
    std::optional<int> Cargo;  // close reason: 1 confirm, 2 cancel, nothing for Esc/close box
    int nResult = 0;           // the code the form ended with; 0 or 2: not confirmed
    std::function<bool()> bValid;
    std::function<void()> bInit;
    std::function<bool()> bWhen;

    // Shows the form; for a modal form returns its result once it has closed.
    int activate(ActivateArgs args = {});
    // Asks the form to close with that result: the close permission decides.
    void end(int result = 2);

    // The template's default push button, if it has one.
    QPushButton* defaultButton() const;
    bool templateFound() const { return m_templateFound; }
    // Records a definition error (the first one is reported by activate()).
    void definitionError(const QString& message);
    const std::optional<QString>& pendingDefinitionError() const { return m_defError; }

    // TContainer
    QWidget* containerWidget() override { return this; }
    TDialog& ownerForm() override { return *this; }

    // True while the form's modal loop runs.
    bool isRunning() const { return m_running; }
    // The control widget that had the focus before a push button took it
    // (a mouse click on a button moves the focus before the button acts).
    QWidget* focusBeforeButton() const { return m_beforeButton; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void reject() override;

private:
    void initiate();
    void center(QWidget* owner);

    QPointer<QWidget> m_beforeButton;
    bool m_templateFound = false;
    std::optional<QString> m_defError;
    bool m_running = false;
    bool m_ending = false;
    QString m_caption;
};

}  // namespace drav::ui
