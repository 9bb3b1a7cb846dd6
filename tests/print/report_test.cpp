// The report engine over a table and over a list: page breaks with the
// head and column titles on every page, column widths and alignments,
// totals, groups, summary mode, separators and the empty list.
#include "print/PreviewDriver.h"
#include "print/TReport.h"
#include "tests/print/PrintFixture.h"
#include "util/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <map>

namespace drav::print::test {
namespace {

// A small client table: one record per row, fields by name.
class ClientTable : public RowSource {
public:
    using Record = std::map<std::string, Value>;
    explicit ClientTable(std::vector<Record> rows) : m_rows(std::move(rows)) {}
    void first() override { m_rec = m_rows.empty() ? 0 : 1; }
    bool next() override {
        if (m_rec == 0) return false;
        m_rec = m_rec < m_rows.size() ? m_rec + 1 : 0;
        return m_rec != 0;
    }
    bool eof() const override { return m_rec == 0; }
    uint32_t recNo() const override { return uint32_t(m_rec); }
    void goTo(uint32_t rec) override { m_rec = rec <= m_rows.size() ? rec : 0; }
    Value field(std::string_view name) const override {
        if (m_rec == 0) return blank(name);
        auto it = m_rows[m_rec - 1].find(std::string(name));
        return it == m_rows[m_rec - 1].end() ? Value() : it->second;
    }
    ValueBlock block(const std::string& name) {
        return [this, name] { return field(name); };
    }

private:
    Value blank(std::string_view name) const {
        if (m_rows.empty()) return std::string();
        Value v = m_rows[0].at(std::string(name));
        if (isNumber(v)) return 0.0;
        if (isDate(v)) return Date();
        return std::string();
    }
    std::vector<Record> m_rows;
    size_t m_rec = 0;
};

std::vector<ClientTable::Record> clients(int n) {
    std::vector<ClientTable::Record> rows;
    for (int i = 1; i <= n; ++i) {
        rows.push_back(
            {{"CLIENTE", cp(QString("Cliente %1").arg(i, 3, 10, QChar('0')).toStdString())},
             {"CITTA", std::string(i % 2 ? "MILANO" : "CITT\xC0 STUDI")},
             {"IMPORTO", double(i)},
             {"DATA", Date::fromYmd(2026, 3, 1 + i % 28)},
             {"ZONA", std::string(i <= n / 2 ? "NORD" : "SUD")}});
    }
    return rows;
}

TextBlock text(const char* s) {
    return [s] { return QString::fromUtf8(s); };
}

class ReportTest : public PrintTest {
protected:
    // A report on our own printer, so that its pages stay for inspection.
    std::unique_ptr<TReport> report(TPrinter& p, const QString& head, double points = 10,
                                    bool summary = false) {
        auto self = std::make_shared<TReport*>(nullptr);
        std::vector<TextBlock> lines = {[self, head] { return (*self)->header().sayHdr(head); },
                                        [] { return QString(); }};
        auto r = std::make_unique<TReport>("Stampa", lines, Align::Left, std::vector<TextBlock>{},
                                           Align::Center, std::vector<TextBlock>{}, Align::Left,
                                           std::vector<TFont>{TFont("Arial", points)}, summary, &p);
        *self = r.get();
        return r;
    }
    std::vector<DrawnPage> pages(TPrinter& p) {
        std::vector<DrawnPage> out;
        for (const QString& f : p.aMeta()) out.push_back(replayPage(f));
        return out;
    }
};

TEST_F(ReportTest, LongListsBreakPagesAndRepeatTheHeadAndTitles) {
    ClientTable table(clients(150));
    table.first();
    auto previous = setCurrentRowSourceProvider([&] { return &table; });
    TPrinter p("Stampa tabulato clienti", true);
    auto r = report(p, "STAMPA TABULATO CLIENTI");
    r->addColumn({text("CLIENTE")}, {table.block("CLIENTE")}, {}, 25);
    r->addColumn({text("CITTA'")}, {table.block("CITTA")}, {}, 20);
    r->activate();
    setCurrentRowSourceProvider(previous);

    std::vector<DrawnPage> all = pages(p);
    ASSERT_GT(all.size(), 1u);
    const double limit = p.nVertRes() - r->nTopMargin();
    int next = 1;
    for (size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE("page " + std::to_string(i + 1));
        const DrawnPage& page = all[i];
        ASSERT_GE(page.texts.size(), 4u);
        EXPECT_EQ(page.texts[0].text, "STAMPA TABULATO CLIENTI");
        EXPECT_NE(page.find(QString("PAG. %1").arg(i + 1)), nullptr);
        const DrawnText* title = page.find("CLIENTE");
        ASSERT_NE(title, nullptr);
        EXPECT_NE(page.find("CITTA'"), nullptr);
        // Rows continue where the previous page stopped, none lost or repeated,
        // and none reaches into the foot area.
        for (const DrawnText& t : page.texts) {
            if (!t.text.startsWith("Cliente ")) continue;
            EXPECT_EQ(t.text, QString("Cliente %1").arg(next, 3, 10, QChar('0')));
            ++next;
            EXPECT_GT(textTop(t), textTop(*title));
            EXPECT_LE(textTop(t) + r->font(1).nHeight(), limit);
        }
        // The title rule sits between the titles and the first row.
        ASSERT_FALSE(page.lines.empty());
        EXPECT_GT(page.lines[0].y1(), textTop(*title));
    }
    EXPECT_EQ(next, 151);
    EXPECT_EQ(all.back().find(QString::fromUtf8("CITTÀ STUDI"))->text,
              QString::fromUtf8("CITTÀ STUDI"));
    EXPECT_EQ(table.recNo(), 1u);  // back where the list was
}

TEST_F(ReportTest, ColumnWidthsAndAlignments) {
    ClientTable table(clients(3));
    table.goTo(2);
    TPrinter p("Prova", true);
    auto r = report(p, "COLONNE");
    r->setRowSource(&table);
    TRLine& name = r->addColumn({text("CLIENTE")}, {table.block("CLIENTE")}, {}, 25);
    TRLine& amount = r->addColumn({text("IMPORTO")}, {table.block("IMPORTO")}, {"@E 99,999,999.99"},
                                  12, false, Align::Left);
    TRLine& date = r->addColumn({text("DATA")}, {table.block("DATA")}, {}, 4);
    TRLine& wide = r->addColumn({text("NOTE")}, {table.block("CITTA")}, {}, 300);
    r->activate();
    EXPECT_EQ(table.recNo(), 2u);

    const double b = r->getTextWidth("B");
    EXPECT_NEAR(name.nSize, 25 * b, 0.01);
    EXPECT_NEAR(name.nCol, r->nLeftMargin(), 0.01);
    EXPECT_NEAR(amount.nCol, name.nCol + name.nSize + b, 0.01);
    EXPECT_NEAR(date.nSize, 8 * b, 0.01);  // dates get room for dd/mm/yy
    EXPECT_NEAR(wide.nCol + wide.nSize, p.nHorzRes() - r->nLeftMargin(), 0.01);

    DrawnPage page = replayPage(p.aMeta()[0]);
    const DrawnText* number = page.find("         2,00");
    ASSERT_NE(number, nullptr) << page.allText().toStdString();
    EXPECT_NEAR(textRight(*number), amount.nCol + amount.nSize, 1);  // numbers to the right
    const QString day =
        QString::fromStdString(Date::fromYmd(2026, 3, 3).toText(DateFormat::TwoDigitYear));
    const DrawnText* d = page.find(day);
    ASSERT_NE(d, nullptr);
    EXPECT_NEAR((d->baseline.x() + textRight(*d)) / 2, date.nCol + date.nSize / 2, 1);
}

TEST_F(ReportTest, TotalsSumOnlyThePrintedItems) {
    ClientTable table(clients(10));
    table.first();
    TPrinter p("Prova", true);
    auto r = report(p, "TOTALI");
    r->setRowSource(&table);
    r->addColumn({text("CLIENTE")}, {table.block("CLIENTE")}, {}, 25);
    r->addColumn({text("TOTALE")}, {table.block("IMPORTO")}, {"@E 99,999,999.99"}, 12, true,
                 Align::Right);
    r->cGrandTotal = "TOTALE";
    ReportCallbacks cb;
    cb.forCond = [&] { return std::get<double>(table.field("IMPORTO")) > 7; };  // 8, 9, 10
    r->activate(cb);
    DrawnPage page = replayPage(p.aMeta()[0]);
    EXPECT_EQ(page.find("Cliente 007"), nullptr);
    EXPECT_NE(page.find("Cliente 008"), nullptr);
    ASSERT_NE(page.find("TOTALE"), nullptr);
    EXPECT_NE(page.find("        27,00"), nullptr) << page.allText().toStdString();
}

TEST_F(ReportTest, AnEmptyListStillGivesOnePageWithHeadTitlesAndTotals) {
    ClientTable table({});
    TPrinter p("Prova", true);
    auto r = report(p, "VUOTA");
    r->setRowSource(&table);
    r->addColumn({text("CLIENTE")}, {table.block("CLIENTE")}, {}, 25);
    r->addColumn({text("TOTALE")}, {table.block("IMPORTO")}, {"@E 99,999,999.99"}, 12, true);
    r->cGrandTotal = "TOTALE";
    r->activate();
    ASSERT_EQ(p.aMeta().size(), 1);
    DrawnPage page = replayPage(p.aMeta()[0]);
    EXPECT_NE(page.find("VUOTA"), nullptr);
    EXPECT_NE(page.find("PAG. 1"), nullptr);
    EXPECT_NE(page.find("CLIENTE"), nullptr);
    EXPECT_NE(page.find("TOTALE"), nullptr);
    EXPECT_NE(page.find("         0,00"), nullptr) << page.allText().toStdString();
    EXPECT_FALSE(page.lines.empty());
}

TEST_F(ReportTest, AnEmptyListOfItemsNeverReadsAnItem) {
    std::vector<QString> items;
    TPrinter p("Prova", true);
    auto r = report(p, "LISTA");
    r->setArray(items.size());
    r->addColumn({text("VOCE")}, {[&] { return Value(toCp1252(items.at(r->nAt() - 1))); }}, {}, 10);
    r->activate();
    EXPECT_EQ(p.aMeta().size(), 1);
}

TEST_F(ReportTest, ListsGroupsSeparatorsAndSummaries) {
    const std::vector<std::pair<QString, double>> items = {
        {"NORD", 1}, {"NORD", 2}, {"SUD", 3}, {"SUD", 4}, {"SUD", 5}};
    auto build = [&](TPrinter& p, bool summary) {
        auto r = report(p, "ZONE", 10, summary);
        r->setArray(items.size());
        auto at = [&items, rp = r.get()] { return items[rp->nAt() - 1]; };
        r->addColumn({text("ZONA")}, {[at] { return Value(toCp1252(at().first)); }}, {}, 10);
        r->addColumn({text("IMPORTO")}, {[at] { return Value(at().second); }}, {"@E 9,999.99"}, 8,
                     true);
        r->addGroup([at] { return Value(toCp1252(at().first)); },
                    [at] { return "Fine zona " + at().first; });
        r->cGrandTotal = "TOTALE";
        return r;
    };
    {
        TPrinter p("Dettaglio", true);
        auto r = build(p, false);
        r->lSeparator = true;
        int ended = 0;
        ReportCallbacks cb;
        cb.endGroup = [&] { ++ended; };
        r->activate(cb);
        DrawnPage page = replayPage(p.aMeta()[0]);
        EXPECT_EQ(ended, 2);
        // The footer of a group is printed when the next one starts, with the
        // values of the item that starts it; the last at the end of the data.
        EXPECT_NE(page.find("Fine zona SUD"), nullptr) << page.allText().toStdString();
        EXPECT_NE(page.find("   15,00"), nullptr) << page.allText().toStdString();
        EXPECT_NE(page.find("    5,00"), nullptr);
        // One rule under the titles, one after each of the 5 lines, one before
        // each group footer.
        EXPECT_GE(page.lines.size(), 1u + 5u + 2u);
    }
    {
        TPrinter p("Riepilogo", true);
        auto r = build(p, true);
        r->activate();
        DrawnPage page = replayPage(p.aMeta()[0]);
        EXPECT_EQ(page.find("    5,00"), nullptr);  // no item lines
        EXPECT_NE(page.find("Fine zona SUD"), nullptr) << page.allText().toStdString();
        EXPECT_NE(page.find("   15,00"), nullptr) << page.allText().toStdString();
    }
}

TEST_F(ReportTest, EndCallbackAddsLinesUnderTheColumns) {
    std::vector<double> amounts = {10, 20};
    TPrinter p("Prova", true);
    auto r = report(p, "PAGAMENTI");
    r->setArray(amounts.size());
    r->addColumn({text("N.")}, {[&] { return Value(double(r->nAt())); }}, {}, 4, false,
                 Align::Right);
    r->addColumn({text("IMPORTO")}, {[&] { return Value(amounts[r->nAt() - 1]); }}, {"@E 9,999.99"},
                 10);
    ReportCallbacks cb;
    cb.end = [&] {
        r->startLine();
        r->say(1, "TOTALE:");
        r->say(2, "30,00", 1, 2);
        r->endLine();
    };
    r->activate(cb);
    DrawnPage page = replayPage(p.aMeta()[0]);
    const DrawnText* label = page.find("TOTALE:");
    const DrawnText* sum = page.find("30,00");
    ASSERT_NE(label, nullptr);
    ASSERT_NE(sum, nullptr);
    EXPECT_NEAR(label->baseline.x(), r->columns()[0]->nCol, 1);
    EXPECT_NEAR(textRight(*sum), r->columns()[1]->nCol + r->columns()[1]->nSize, 1);
    EXPECT_EQ(label->baseline.y(), sum->baseline.y());
}

}  // namespace
}  // namespace drav::print::test

namespace drav::print::test {
namespace {

QString runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The client list as the program prints it: a list report on its own
// printer, shown in the preview, exported to PDF from there.
TEST_F(ReportTest, ClientListOfSomeHundredRowsReadsCleanlyInThePdf) {
    std::vector<ClientTable::Record> rows;
    for (int i = 1; i <= 320; ++i) {
        rows.push_back(
            {{"CLIENTE", cp(QString("Cliente %1 S.r.l.").arg(i, 3, 10, QChar('0')).toStdString())},
             {"INDIRIZZO", cp(QString("Via Giuseppe Verdi, %1").arg(i).toStdString())},
             {"CITTA", cp("Città di Castello")},
             {"CAP", std::string("06012")},
             {"TELEFONO", std::string("075 8551234")},
             {"FAX", std::string("075 8551235")},
             {"ATTIVITA", cp(i % 3 ? "Tipografia" : "Studio legale")}});
    }
    ClientTable table(rows);
    table.goTo(5);
    auto previous = setCurrentRowSourceProvider([&] { return &table; });
    auto r = listReport("Stampa tabulato clienti", "STAMPA TABULATO CLIENTI", 8);
    r->addColumn({text("CLIENTE")}, {table.block("CLIENTE")}, {}, 25);
    r->addColumn({text("INDIRIZZO")}, {table.block("INDIRIZZO")}, {}, 25);
    r->addColumn({text("CITTA' E CAP")}, {table.block("CITTA"), table.block("CAP")}, {}, 20);
    r->addColumn({text("TEL. E FAX")}, {table.block("TELEFONO"), table.block("FAX")}, {}, 15);
    r->addColumn({text("ATTIVITA'")}, {table.block("ATTIVITA")}, {}, 18);

    const QString pdf = QString::fromStdString(m_dir.file("clienti.pdf"));
    int pageCount = -1;
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
        if (previewPageCount() < 0) return;
        poll->stop();
        poll->deleteLater();
        pageCount = previewPageCount();
        EXPECT_TRUE(exportPreviewPdf(pdf));
        closePreview();
    });
    poll->start(5);
    r->activate();  // returns when the preview has closed
    setCurrentRowSourceProvider(previous);
    EXPECT_EQ(table.recNo(), 5u);

    ASSERT_GT(pageCount, 1);
    EXPECT_TRUE(runTool("pdfinfo", {pdf})
                    .contains(QRegularExpression(QString("Pages:\\s+%1\\b").arg(pageCount))));
    const QString text = runTool("pdftotext", {"-layout", pdf, "-"});
    const QStringList pages = text.split('\f', Qt::SkipEmptyParts);
    int found = 0;
    for (int i = 0; i < pages.size(); ++i) {
        if (pages[i].trimmed().isEmpty()) continue;
        SCOPED_TRACE("page " + std::to_string(i + 1));
        EXPECT_TRUE(pages[i].contains("STAMPA TABULATO CLIENTI"));
        EXPECT_TRUE(pages[i].contains(QString("PAG. %1").arg(i + 1)));
        EXPECT_TRUE(pages[i].contains(
            QRegularExpression("CLIENTE\\s+INDIRIZZO\\s+CITTA' E CAP\\s+TEL. E FAX\\s+ATTIVITA'")))
            << pages[i].left(400).toStdString();
        found += int(pages[i].count(
            QRegularExpression("Cliente \\d{3} S\\.r\\.l\\.\\s+Via Giuseppe Verdi, \\d+\\s+Città "
                               "di Castello\\s+075 8551234\\s+(Tipografia|Studio legale)")));
    }
    EXPECT_EQ(found, 320);
    if (QByteArray dir = qgetenv("DRAV_PRINT_SAMPLES"); !dir.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QFile::copy(pdf, QString::fromLocal8Bit(dir) + "/clienti.pdf");
    }
}

}  // namespace
}  // namespace drav::print::test
