// The clients and activities screens driven through their forms, offscreen:
// the list with its title and button enabling, the card with its rules and
// the identifier copied into the company name, a refused save that reopens
// the card with what was typed, the search, the delete, the list print
// exported from its preview, and pictures of the three forms.
#include "tests/clients/ClientsFixture.h"

#include "clients/Activities.h"
#include "clients/ClientPrints.h"
#include "clients/Clients.h"
#include "data/access/ScopedTable.h"
#include "data/os/File.h"
#include "print/PreviewDriver.h"
#include "print/PrinterSettings.h"
#include "print/TableRowSource.h"
#include "tests/support/gui/ModalScript.h"
#include "tests/support/gui/Screenshot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <cstdio>

namespace drav::clients::test {
namespace {

using drav::test::ModalScript;

QLineEdit* edit(QWidget* form, int id) {
    return form->findChild<QLineEdit*>(QString::number(id));
}

QPushButton* button(QWidget* form, int id) {
    return form->findChild<QPushButton*>(QString::number(id));
}

// Types into a field as the user does: focus first, then key by key.
// Types into the field as the user would: the form made the active window
// first (a message box that just closed may have left none active), the
// field focused, then one key at a time.
void type(QWidget* form, int id, const char* text) {
    QLineEdit* e = edit(form, id);
    QApplication::setActiveWindow(form);
    e->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), e) << "field " << id << " did not take the focus";
    for (const char* c = text; *c; ++c) QTest::keyClick(e, *c);
}

void press(QWidget* form, int id) {
    QTest::mouseClick(button(form, id), Qt::LeftButton);
}

// Types into the in-place cell editor and confirms it with Enter.
void typeInCell(QWidget* editor, const char* text) {
    QLineEdit* e = editor->findChild<QLineEdit*>();
    ASSERT_NE(e, nullptr);
    QApplication::setActiveWindow(editor);
    e->setFocus();
    QApplication::processEvents();
    for (const char* c = text; *c; ++c) QTest::keyClick(e, *c);
    QTest::keyClick(e, Qt::Key_Return);
}

// The buttons that need a current client, enabled or not.
std::vector<bool> recordButtons(QWidget* form) {
    std::vector<bool> out;
    for (int id : {203, 204, 206, 207, 208}) out.push_back(button(form, id)->isEnabled());
    return out;
}

class Screens : public ClientsTest {
protected:
    Screens() { print::installTableRowSource(); }
};

TEST_F(Screens, ClientsThroughTheirForms) {
    const std::vector<bool> none(5, false), all(5, true);
    const int callerSlot = data::currentSlot();
    ModalScript s(30000);
    QString cardTitle, copiedName, reopenedIdentifier;
    s.on("CLIENTI", [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Clienti - 0 di 0");
        EXPECT_EQ(recordButtons(w), none);
        press(w, 202);
    });
    s.on("CLIENTE", [&](QWidget* w) {
        cardTitle = w->windowTitle();
        EXPECT_TRUE(w->findChild<QCheckBox*>("116")->isChecked());   // FATTURA
        EXPECT_FALSE(w->findChild<QCheckBox*>("122")->isChecked());  // FISSO
        type(w, 101, "Rossi");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        copiedName = edit(w, 102)->text().trimmed();
        type(w, 107, "Via Roma 1");
        type(w, 109, "2a0100");  // the mask keeps the digits
        type(w, 110, "mi");
        type(w, 113, "12345678901");  // a VAT number with a wrong check digit
        press(w, 201);
        EXPECT_TRUE(w->isVisible()) << "a failing field rule keeps the card open";
        edit(w, 113)->setFocus();
        for (int i = 0; i < 11; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        drav::test::saveScreenshot(w, "clients_card");
        press(w, 201);
    });
    s.on("CLIENTI", [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Clienti - 1 di 1");
        EXPECT_EQ(recordButtons(w), all);
        press(w, 202);
    });
    s.on("CLIENTE", [&](QWidget* w) {
        type(w, 101, "ROSSI");
        type(w, 108, "Torino");
        press(w, 201);  // "Cliente già presente.": the card comes back as typed
    });
    s.on("CLIENTE", [&](QWidget* w) {
        reopenedIdentifier = edit(w, 101)->text().trimmed();
        EXPECT_EQ(edit(w, 108)->text().trimmed(), "Torino");
        edit(w, 101)->setFocus();
        for (int i = 0; i < 5; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        type(w, 101, "Bianchi");
        press(w, 201);
    });
    s.on("CLIENTI", [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Clienti - 2 di 2");
        drav::test::saveScreenshot(w, "clients_list");
        press(w, 205);
    });
    s.on("RICCLI", [&](QWidget* w) {
        type(w, 101, "bian");
        drav::test::saveScreenshot(w, "clients_search");
        press(w, 201);
    });
    s.on("CLIENTI", [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Clienti - 1 di 2");
        answer(1);  // "Confermi la cancellazione?": OK
        press(w, 204);
    });
    s.on("CLIENTI", [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Clienti - 0 di 1");
        EXPECT_EQ(recordButtons(w), none);
        press(w, 205);
    });
    s.on("RICCLI", [&](QWidget* w) { press(w, 203); });  // "Tutti"
    s.on("CLIENTI", [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), "Clienti - 1 di 1");
        press(w, 208);  // not there yet: says so
        press(w, 201);
    });

    clienti();
    ASSERT_TRUE(s.done()) << s.pending().toStdString();
    EXPECT_EQ(cardTitle, "Aggiungi");
    EXPECT_EQ(copiedName, "Rossi");
    EXPECT_EQ(reopenedIdentifier, "ROSSI");

    QStringList shown;
    for (const auto& m : messages()) shown << m.text;
    EXPECT_EQ(shown,
              (QStringList{"Campo non valido.", "Cliente già presente.",
                           "Confermi la cancellazione?", "Funzione non ancora disponibile."}));
    EXPECT_EQ(data::currentSlot(), callerSlot);
    EXPECT_TRUE(data::usedSlots().empty());

    data::Table& t = openClienti();
    ASSERT_EQ(listed(), std::vector<std::string>{"Rossi"});
    t.goTop();
    const Client rossi = readClient(t);
    EXPECT_EQ(rossi.codice, "         1");
    EXPECT_EQ(trimRight(rossi.ragsoc[0]), "Rossi");
    EXPECT_EQ(rossi.cap, "20100");
    EXPECT_EQ(rossi.provincia, "MI");
    EXPECT_EQ(trimRight(rossi.partiva), "");
    EXPECT_TRUE(rossi.fattura);
}

// An error that abandons an operation of the screen ends the screen, at
// its start (an index file missing) or from a button (a write that fails
// while a client is saved): nothing stays open, and the caller's
// table is current again.
TEST_F(Screens, AnErrorEndsTheScreen) {
    data::Table& caller = data::dbOpen(true, "ATTIVITA");
    ASSERT_EQ(std::rename("CLIENTI.NTX", "CLIENTI.BAK"), 0);
    clienti();
    EXPECT_EQ(&data::current(), &caller);
    EXPECT_EQ(data::usedSlots().size(), 1u);
    ASSERT_EQ(std::rename("CLIENTI.BAK", "CLIENTI.NTX"), 0);

    data::WriteFault previous =
        data::setWriteFault([](const std::string& path, uint64_t, size_t, size_t*) {
            return path.ends_with("CLIENTI.DBF") ? EIO : 0;
        });
    ModalScript s(30000);
    s.on("CLIENTI", [&](QWidget* w) { press(w, 202); });
    s.on("CLIENTE", [&](QWidget* w) {
        type(w, 101, "Rossi");
        press(w, 201);
    });
    clienti();
    data::setWriteFault(std::move(previous));
    EXPECT_TRUE(s.done()) << s.pending().toStdString();
    EXPECT_EQ(&data::current(), &caller);
    EXPECT_EQ(data::usedSlots().size(), 1u);
    data::Table& t = openClienti();
    EXPECT_TRUE(t.eof()) << "nothing saved";
}

// The list print of the clients listed, through its preview to a PDF.
TEST_F(Screens, ListPrintToPdf) {
    Client a = card("Rossi", "Rossi Mario srl");
    a.indirizzo = padTo("Via Roma 1", 35);
    a.citta = padTo("Milano", 35);
    a.cap = "20100";
    a.telefono = padTo("02 1234567890123456", 45);
    a.attivita = padTo("EDILIZIA", 20);
    add(a);
    add(card("Bianchi"));
    data::closeAll();

    const QString pdf = QString::fromStdString(m_dir.file("clienti.pdf"));
    ModalScript s(30000);
    s.on("CLIENTI", [&](QWidget* w) { press(w, 206); });
    s.on("PREVIEW", [&](QWidget*) {
        EXPECT_EQ(print::previewPageCount(), 1);
        EXPECT_TRUE(print::exportPreviewPdf(pdf));
        print::closePreview();
    });
    s.on("CLIENTI", [&](QWidget* w) { press(w, 201); });
    clienti();
    ASSERT_TRUE(s.done()) << s.pending().toStdString();

    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    for (const char* expected :
         {"STAMPA TABULATO CLIENTI", "CLIENTE", "INDIRIZZO", "CITTA' E CAP", "TEL. E FAX",
          "ATTIVITA'", "Rossi", "Via Roma 1", "Milano", "20100", "EDILIZIA", "Bianchi"})
        EXPECT_TRUE(text.contains(expected)) << expected << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains("02 1234567890")) << text.toStdString();
    EXPECT_FALSE(text.contains("02 12345678901")) << "only 13 characters of the telephone";
    EXPECT_LT(text.indexOf("Bianchi"), text.indexOf("Rossi")) << "in identifier order";
}

// A print of one client through its preview to a PDF file: the text of
// its pages, and the page's width and height in points.
struct PrintedPdf {
    QString text;
    QSizeF page;
    int pages = 0;
};

PrintedPdf printToPdf(const std::string& file, const std::function<void()>& print) {
    PrintedPdf out;
    ModalScript s(30000);
    s.on("PREVIEW", [&](QWidget*) {
        out.pages = print::previewPageCount();
        EXPECT_TRUE(print::exportPreviewPdf(QString::fromStdString(file)));
        print::closePreview();
    });
    print();
    EXPECT_TRUE(s.done()) << s.pending().toStdString();
    QProcess p;
    p.start("pdftotext", {"-layout", QString::fromStdString(file), "-"});
    p.waitForFinished(30000);
    out.text = QString::fromUtf8(p.readAllStandardOutput());
    p.start("pdfinfo", {QString::fromStdString(file)});
    p.waitForFinished(30000);
    const QString info = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpressionMatch m =
        QRegularExpression("Page size:\\s+([0-9.]+) x ([0-9.]+)").match(info);
    if (m.hasMatch()) out.page = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    return out;
}

// The printed card: one page, labels and values, the memo blocks with
// their own line breaks, the text beyond ten lines left out.
TEST_F(Screens, CardPrint) {
    Client c = card("Rossi", "Rossi Mario srl");
    c.costoclie = 12.5;
    c.note = "prima riga\r\nseconda riga";
    for (int i = 1; i <= 12; ++i) c.fatturaz += "fattura riga " + std::to_string(i) + "\r\n";
    const PrintedPdf pdf = printToPdf(m_dir.file("scheda.pdf"), [&] { stampa2(c); });
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_LT(pdf.page.width(), pdf.page.height());
    const QString& t = pdf.text;
    for (const char* expected :
         {"STAMPA SCHEDA CLIENTE", "IDENTIFICATIVO:", "Rossi Mario srl", "BUONI CLIENTE:", "12,50",
          "FATTURA:", "SI", "FATTURARE A:", "fattura riga 10", "NOTE:", "seconda riga"})
        EXPECT_TRUE(t.contains(expected)) << expected << "\n" << t.toStdString();
    EXPECT_FALSE(t.contains("fattura riga 11")) << t.toStdString();
    EXPECT_LT(t.indexOf("fattura riga 10"), t.indexOf("NOTE:"));
}

// The envelope: landscape, the address block at the margins of the
// configuration file, portrait again afterwards; no file, no print.
TEST_F(Screens, EnvelopePrint) {
    Client c = card("Rossi", "Rossi Mario srl");
    c.indirizzo = padTo("Via Roma 1", 35);
    c.citta = padTo("Milano", 35);
    c.cap = "20100";
    c.provincia = "MI";
    ModalScript none(2000);
    busta(c);  // no configuration file: nothing
    EXPECT_EQ(print::previewPageCount(), -1);

    drav::test::writeFile("DRAV.CFG", "[Vars]\r\nCFG_DBUST=N40\r\nCFG_SBUST=N4\r\n");
    const PrintedPdf pdf = printToPdf(m_dir.file("busta.pdf"), [&] { busta(c); });
    EXPECT_EQ(pdf.pages, 1);
    EXPECT_GT(pdf.page.width(), pdf.page.height());
    EXPECT_EQ(print::prnGetOrientation(), 1);
    QStringList lines;
    for (const QString& l : pdf.text.split('\n'))
        if (!l.trimmed().isEmpty()) lines << l.trimmed();
    EXPECT_EQ(lines, (QStringList{"Spett.le", "Rossi Mario srl", "Via Roma 1", "20100 Milano MI"}));
}

// Both list screens open with the focus on their list, the first control of
// their templates: the arrows move in it and Enter opens the card of the
// client reached, and Tab goes on to the buttons in their order.
TEST_F(Screens, TheListHasTheFocusWhenTheScreenOpens) {
    for (const char* name : {"Bianchi", "Rossi", "Verdi"}) add(card(name));
    data::closeAll();
    auto focused = [](QWidget* form) {
        QApplication::setActiveWindow(form);
        QApplication::processEvents();
        QWidget* f = QApplication::focusWidget();
        return f ? f->objectName() : QString();
    };
    QString cardOf;
    QStringList tabOrder;
    ModalScript s(30000);
    s.on("CLIENTI", [&](QWidget* w) {
        EXPECT_EQ(focused(w), "101");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    s.on("CLIENTE", [&](QWidget* w) {
        cardOf = edit(w, 101)->text().trimmed();
        press(w, 202);
    });
    s.on("CLIENTI", [&](QWidget* w) {
        w->findChild<QWidget*>("101")->setFocus();
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            tabOrder << focused(w);
        }
        press(w, 201);
    });
    clienti();
    ASSERT_TRUE(s.done()) << s.pending().toStdString();
    EXPECT_EQ(cardOf, "Rossi");
    EXPECT_EQ(tabOrder, (QStringList{"201", "202", "203"}));

    ModalScript a(30000);
    QString activities;
    a.on("ATTIVITA", [&](QWidget* w) {
        activities = focused(w);
        press(w, 201);
    });
    attivita();
    ASSERT_TRUE(a.done()) << a.pending().toStdString();
    EXPECT_EQ(activities, "101");
}

// The activities: added and typed in place (in capitals), changed, deleted.
TEST_F(Screens, ActivitiesEditedInPlace) {
    ModalScript s(30000);
    s.on("ATTIVITA", [&](QWidget* w) {
        EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Attività"));
        EXPECT_FALSE(button(w, 203)->isEnabled());
        press(w, 202);
    });
    s.on("EDCOL", [&](QWidget* w) { typeInCell(w, "banca"); });
    s.on("ATTIVITA", [&](QWidget* w) {
        EXPECT_TRUE(button(w, 203)->isEnabled());
        press(w, 202);
    });
    s.on("EDCOL", [&](QWidget* w) { typeInCell(w, "moda"); });
    s.on("ATTIVITA", [&](QWidget* w) {
        answer(1);
        press(w, 204);  // the current entry: MODA
    });
    s.on("ATTIVITA", [&](QWidget* w) { press(w, 201); });
    attivita();
    ASSERT_TRUE(s.done()) << s.pending().toStdString();
    EXPECT_EQ(aAttiv(), QStringList{"BANCA"});
    EXPECT_TRUE(data::usedSlots().empty());
}

}  // namespace
}  // namespace drav::clients::test
