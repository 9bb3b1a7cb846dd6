// In-place editing of a one-field list (the activities): a new entry added
// and typed, a new entry cancelled, an entry confirmed unchanged or changed,
// an empty entry refused.
#include "data/os/File.h"
#include "tests/support/gui/ModalScript.h"
#include "tests/ui/browse_fixture.h"
#include "ui/BrowseView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

namespace drav::ui {
namespace {

using test::ListForm;
using test::ModalScript;

// Types into the editor's field itself: under load the editor may not yet
// be the active window, and then no widget of it has the keyboard focus.
void typeInto(QWidget* editor, const QString& keys) {
    QLineEdit* field = editor->findChild<QLineEdit*>(QStringLiteral("101"));
    field->setFocus();
    test::typeKeys(keys, field);
}

class BrowseEdit : public test::BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        makeTable("ATTIVITA", {"CORRIERE", "EDILIZIA", "MODA"});
        t = &open("ATTIVITA");
        f = std::make_unique<ListForm>();
        ASSERT_TRUE(f->show());
        // Every write to the activities' table file is counted.
        previousFault =
            data::setWriteFault([this](const std::string& p, uint64_t, size_t, size_t*) {
                if (p.ends_with("ATTIVITA.DBF")) ++writes;
                return 0;
            });
    }
    void TearDown() override {
        data::setWriteFault(std::move(previousFault));
        f.reset();
        BrowseTest::TearDown();
    }
    // The activities in the order of their tag.
    std::vector<std::string> listed() {
        std::vector<std::string> out;
        const uint32_t here = t->recno();
        for (t->goTop(); !t->eof(); t->skip()) out.push_back(text(*t, "ATTIVITA"));
        t->goTo(here);
        return out;
    }
    test::ScopedQtPort port;
    data::Table* t = nullptr;
    std::unique_ptr<ListForm> f;
    data::WriteFault previousFault;
    int writes = 0;
};

// A new entry: a blank record appended and shown, edited over its cell,
// typed in capitals, confirmed with Enter; it takes its place in the order.
TEST_F(BrowseEdit, AddingAnEntry) {
    ModalScript script;
    QPoint formAt, cellAt;
    QStringList tips;
    script.on("EDCOL", [&](QWidget* w) {
        formAt = w->pos();
        cellAt = f->list->widget()->mapToGlobal(f->list->cellRect(f->list->nRowPos, 1).topLeft());
        for (const char* id : {"102", "103"})
            tips << w->findChild<QAbstractButton*>(QLatin1String(id))->toolTip();
        EXPECT_EQ(f->highlighted(), QString());  // the blank record, first in the order
        typeInto(w, "banca{ENTER}");
    });
    EXPECT_TRUE(edCol(*f->list, true, "@!"));
    EXPECT_TRUE(script.done()) << script.pending().toStdString();
    EXPECT_EQ(formAt, cellAt);
    EXPECT_EQ(tips, (QStringList{"Conferma", "Annulla"}));
    EXPECT_EQ(listed(), (std::vector<std::string>{"BANCA", "CORRIERE", "EDILIZIA", "MODA"}));
    EXPECT_EQ(text(*t, "ATTIVITA"), "BANCA");
    EXPECT_EQ(f->highlighted(), QStringLiteral("BANCA"));
    EXPECT_FALSE(t->hasRecordLock());
    EXPECT_FALSE(t->hasFileLock());
}

// A new entry cancelled goes again: with the CANCEL button, and with Esc
// after typing (the discard question answered Yes).
TEST_F(BrowseEdit, ANewEntryCancelledIsDeleted) {
    for (bool typed : {false, true}) {
        SCOPED_TRACE(typed ? "Esc after typing" : "CANCEL");
        ModalScript script;
        QString question;
        script.on("EDCOL", [&](QWidget* w) {
            if (typed)
                typeInto(w, "ban{ESC}");
            else
                w->findChild<QAbstractButton*>(QStringLiteral("103"))->click();
        });
        if (typed)
            script.on("POPMSG", [&](QWidget* box) {
                question = test::messageBoxText(box);
                test::clickButton(box, QStringLiteral("Sì"));
            });
        EXPECT_FALSE(edCol(*f->list, true, "@!"));
        EXPECT_TRUE(script.done()) << script.pending().toStdString();
        EXPECT_EQ(question, typed ? QStringLiteral("Annullo le modifiche?") : QString());
        EXPECT_EQ(listed(), (std::vector<std::string>{"CORRIERE", "EDILIZIA", "MODA"}));
        EXPECT_EQ(t->keyCount(), 3u);
        EXPECT_EQ(f->list->rowsShown(), 3);
    }
}

// Confirmed unchanged: nothing written. Changed: written, and the entry
// moves to its new place, still highlighted.
TEST_F(BrowseEdit, AnEntryConfirmedUnchangedOrChanged) {
    f->list->goDown();  // EDILIZIA
    {
        ModalScript script;
        script.on("EDCOL", [&](QWidget* w) { typeInto(w, "{ENTER}"); });
        writes = 0;
        EXPECT_TRUE(edCol(*f->list, false, "@!"));
        EXPECT_TRUE(script.done());
        EXPECT_EQ(writes, 0);
        EXPECT_EQ(text(*t, "ATTIVITA"), "EDILIZIA");
    }
    f->list->goBottom();  // MODA
    {
        ModalScript script;
        script.on("EDCOL", [&](QWidget* w) {
            EXPECT_EQ(w->findChild<QLineEdit*>(QStringLiteral("101"))->text().trimmed(),
                      QStringLiteral("MODA"));
            typeInto(w, "arredo");
            w->findChild<QAbstractButton*>(QStringLiteral("102"))->click();  // OK
        });
        writes = 0;
        EXPECT_TRUE(edCol(*f->list, false, "@!"));
        EXPECT_TRUE(script.done());
        EXPECT_GT(writes, 0);
    }
    EXPECT_EQ(listed(), (std::vector<std::string>{"ARREDO", "CORRIERE", "EDILIZIA"}));
    EXPECT_EQ(f->highlighted(), QStringLiteral("ARREDO"));
    EXPECT_EQ(f->list->nRowPos, 1);
    EXPECT_FALSE(t->hasRecordLock());
}

// An empty entry is refused with "Campo non valido." and the editor stays
// open; Esc then leaves without a question (nothing was typed).
TEST_F(BrowseEdit, AnEmptyEntryIsRefused) {
    ModalScript script;
    QString message;
    bool stillOpen = false;
    script.on("EDCOL", [&](QWidget* w) { typeInto(w, "{ENTER}"); })
        .on("POPMSG",
            [&](QWidget* box) {
                message = test::messageBoxText(box);
                test::clickButton(box, QStringLiteral("OK"));
            })
        .on("EDCOL", [&](QWidget* w) {
            stillOpen = w->isVisible();
            typeInto(w, "{ESC}");
        });
    EXPECT_FALSE(edCol(*f->list, true, "@!"));
    EXPECT_TRUE(script.done()) << script.pending().toStdString();
    EXPECT_EQ(message, QStringLiteral("Campo non valido."));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(t->keyCount(), 3u);
}

// Not appending at the end of the table: nothing to edit.
TEST_F(BrowseEdit, NothingToEditAtTheEndOfTheTable) {
    t->goTo(0);
    EXPECT_FALSE(edCol(*f->list, false, "@!"));
}

}  // namespace
}  // namespace drav::ui
