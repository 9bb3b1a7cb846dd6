// The progress form of a print ("PRINTDLG"): the page being drawn and a
// cancel button. It is not modal and does not close on Esc; the printer
// object closes it.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace drav::print {

class ProgressForm : public QDialog {
    Q_OBJECT
public:
    ProgressForm(const QString& caption, std::function<void()> onCancel, QWidget* parent = nullptr);
    void setPage(int page);
    // Closes the form for good (the user cannot).
    void finish();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}

private:
    QLabel* m_page;
    QPushButton* m_cancel;
    bool m_finishing = false;
};

}  // namespace drav::print
