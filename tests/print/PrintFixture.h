// Shared set-up of the print tests: a scripted user port, a private
// instance folder for the page files, and helpers that turn device units
// back into grid rows and columns.
#pragma once

#include "print/PageGrid.h"
#include "print/TPrinter.h"
#include "tests/print/PageRecorder.h"
#include "tests/support/ScriptedPort.h"
#include "tests/support/TempDir.h"
#include "util/Paths.h"

#include <gtest/gtest.h>
#include <QFontMetricsF>

namespace drav::print::test {

class PrintTest : public ::testing::Test {
protected:
    PrintTest() {
        setInstanceFolder(m_dir.path() + "/");
        setPrintMargin(5);
    }
    ~PrintTest() override { setInstanceFolder(""); }

    drav::test::ScopedScriptedPort m_port;
    drav::test::TempDir m_dir;
};

// Grid positions of a printer, for comparing drawn device units.
struct Grid {
    explicit Grid(const TPrinter& p) : row(p.nVertRes() / 66.0), col(p.nHorzRes() / 80.0) {}
    double row;
    double col;
};

// The top of a drawn text (the grid places the top of the text on the row).
inline double textTop(const DrawnText& t) {
    return t.baseline.y() - QFontMetricsF(t.font).ascent();
}
inline double textRight(const DrawnText& t) {
    return t.baseline.x() + QFontMetricsF(t.font).horizontalAdvance(t.text);
}

}  // namespace drav::print::test

namespace drav::print::test {

// A previewed document of n pages, page k showing "Pagina k".
inline std::unique_ptr<TPrinter> makeDocument(int pages, const QString& title = "Prova") {
    auto p = std::make_unique<TPrinter>(title, true);
    TFont f(*p, "Arial", 12);
    for (int k = 1; k <= pages; ++k) {
        p->startPage();
        printTxt({QStringLiteral("Pagina %1").arg(k)}, std::nullopt, *p, f);
        p->endPage();
    }
    return p;
}

}  // namespace drav::print::test
