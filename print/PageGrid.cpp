#include "print/PageGrid.h"

#include "print/TFont.h"
#include "print/TPrinter.h"
#include "util/Date.h"
#include "util/Settings.h"

#include <QFontMetricsF>
#include <algorithm>

namespace drav::print {
namespace {

double g_row = 0;     // device units
double g_feed = 1;    // rows

double rowHeight(const TPrinter& p) {
    return p.nVertRes() / 66.0;
}
double colWidth(const TPrinter& p) {
    return p.nHorzRes() / 80.0;
}

QString joined(const PrintTexts& texts) {
    QString out;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i) out += QLatin1Char(' ');
        out += texts[i].text();
    }
    return o2a(out);
}

}  // namespace

double setProw(std::optional<double> row) {
    if (row) g_row = *row;
    return g_row;
}

double pFeed(std::optional<double> feed) {
    if (feed) g_feed = *feed;
    return g_feed;
}

void resetPageGrid() {
    g_feed = 1;
    g_row = 0;
}

void printTxt(const PrintTexts& texts, std::optional<double> column, TPrinter& printer,
              const TFont& font, const TxtOptions& o) {
    const bool goOn = column && *column == 0;
    const int bkMode = o.background ? 2 : 1;
    const double c = column.value_or(0) + printMargin();
    const QColor colour = o.colour.value_or(QColor(Qt::black));
    if (g_row == 0) g_row = 2 * rowHeight(printer);
    if (!goOn && !column) g_row += g_feed * rowHeight(printer);
    if (texts.empty()) return;
    QString text = joined(texts);
    std::optional<QColor> previousBk;
    if (o.background) previousBk = printer.setBkColor(*o.background);

    if (goOn) {
        printer.sayAtPos(text, font, colour, bkMode);
        if (previousBk) printer.setBkColor(*previousBk);
        return;
    }

    const double cw = colWidth(printer);
    if (o.right) {
        double width = o.width.value_or(text.size());
        printer.setPos(g_row, (c + width) * cw);
        printer.setTextAlign(1, true);
    } else if (o.centred) {
        double x = o.width ? (c + *o.width / 2) * cw : printer.nHorzRes() / 2.0;
        printer.setPos(g_row, x);
        printer.setTextAlign(2, true);
    } else if (o.justified) {
        printer.setPos(g_row, c * cw);
        printer.setTextAlign(0, true);
        text = text.trimmed();
        if (!text.isEmpty() && !text.endsWith(QChar(kParagraphEnd)) &&
            text.contains(QLatin1Char(' '))) {
            double end = o.clip ? (c + *o.clip) * cw : printer.nHorzRes() - printMargin() * cw;
            double extra = end - c * cw - printer.getTextWidth(text, font);
            if (extra > 0) printer.setJustification(extra);
        }
    } else {
        printer.setPos(g_row, c * cw);
        printer.setTextAlign(0, true);
    }

    if (!o.clip) {
        printer.sayAtPos(text, font, colour, bkMode);
    } else {
        printer.say(g_row, c * cw, text, font, *o.clip * cw, colour, bkMode, 0);
    }
    if (o.justified) printer.setJustification(0);
    if (previousBk) printer.setBkColor(*previousBk);
}

void printLine(TPrinter& printer, std::optional<double> column, double length, const TPen* pen) {
    const double cw = colWidth(printer);
    if (!column) {
        double y = g_row + rowHeight(printer) + 2;
        printer.line(y, printMargin() * cw, y, printer.nHorzRes() * (1 - printMargin() / 80.0), pen);
    } else {
        double y = g_row + rowHeight(printer);
        printer.line(y, (*column + printMargin()) * cw, y, (*column + length + printMargin()) * cw, pen);
    }
}

void printVLine(TPrinter& printer, double column, double rows, const TPen* pen) {
    const double x = (column + printMargin()) * colWidth(printer);
    printer.line(g_row + rowHeight(printer) + 2, x, g_row + (rows + 1) * rowHeight(printer), x,
                 pen);
}

void printBox(TPrinter& printer, double column, double width, double rows, const TPen* pen) {
    const double cw = colWidth(printer);
    printer.box(g_row + rowHeight(printer), (column + printMargin()) * cw,
                g_row + (rows + 1) * rowHeight(printer), (column + width + printMargin()) * cw, pen);
}

void sayHeader(const PrintText& title, TPrinter& printer, const TFont& font) {
    if (!printer.hasDC() || printer.lCancel()) return;
    const double savedMargin = printMargin();
    const double savedRow = g_row;
    setPrintMargin(1);
    // A row position that is not 0, so that the first new line is row 1 and
    // not the first row of a fresh page.
    constexpr double kTop = 0.01;
    if (!title.text().isEmpty()) {
        g_row = kTop;
        printTxt({title}, std::nullopt, printer, font);
        g_row = kTop;
        printTxt({QString::fromStdString(Date::today().toText(DateFormat::TwoDigitYear))},
                 std::nullopt, printer, font, {.centred = true});
    }
    g_row = kTop;
    printTxt({QStringLiteral("PAG. ") + QString::number(printer.nPage())}, std::nullopt, printer,
             font, {.right = true, .width = 78});
    setPrintMargin(savedMargin);
    g_row = savedRow;
}

void sayFooter(TPrinter& printer, const TFont& font) {
    if (!printer.hasDC() || printer.lCancel()) return;
    const double savedRow = g_row;
    g_row = 63 * rowHeight(printer);
    printTxt({QStringLiteral("- %1 -").arg(printer.nPage())}, std::nullopt, printer, font,
             {.centred = true});
    g_row = savedRow;
}

QStringList aMemoLine(const PrintText& source, std::optional<double> width, const TPrinter& printer,
                      const TFont& font) {
    const QString text = o2a(source.text());
    const double maxWidth = width.value_or(80 - 2 * printMargin()) * colWidth(printer);
    static const QString crlf = QStringLiteral("\r\n");
    auto fits = [&](const QString& piece) {
        QString shown = piece;
        shown.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        return printer.getTextWidth(shown, font) <= maxWidth;
    };
    auto rtrimmed = [](QString s) {
        while (!s.isEmpty() && s.back() == QLatin1Char(' ')) s.chop(1);
        return s;
    };

    QStringList lines;
    qsizetype pos = 0;
    while (pos < text.size()) {
        QString rest = rtrimmed(text.mid(pos));
        if (rest.isEmpty()) break;
        qsizetype cr = rest.indexOf(crlf);
        QString piece = cr >= 0 ? rest.left(cr + 2) : rest;
        qsizetype n = piece.size();
        if (!fits(piece)) {
            while (n > 1 && !fits(piece.left(n))) n = std::max<qsizetype>(n - 10, 1);
            while (n < piece.size() && fits(piece.left(n + 1))) ++n;
        }
        piece = piece.left(n);
        const qsizetype at = pos;
        if (qsizetype k = piece.indexOf(crlf); k >= 0) {
            lines << piece.left(k) + QChar(kParagraphEnd);
            pos = at + k + 2;
        } else if (n == rest.size() || (at + n < text.size() && text[at + n] == QLatin1Char(' '))) {
            lines << piece;
            pos = at + n + 1;
        } else if (qsizetype b = piece.lastIndexOf(QLatin1Char(' ')); b >= 0) {
            lines << piece.left(b);
            pos = at + b + 1;
        } else {
            lines << piece;
            pos = at + n;
        }
    }
    if (!lines.isEmpty() && !lines.last().endsWith(QChar(kParagraphEnd)))
        lines.last() += QChar(kParagraphEnd);
    return lines;
}

std::string memoAdj(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') out += kParagraphEnd;
        out += text[i];
    }
    if (out.empty() || out.back() != kParagraphEnd) out += kParagraphEnd;
    return out;
}

QString memoAdj(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QString(QChar(kParagraphEnd)) + QStringLiteral("\r\n"));
    if (!out.endsWith(QChar(kParagraphEnd))) out += QChar(kParagraphEnd);
    return out;
}

}  // namespace drav::print
