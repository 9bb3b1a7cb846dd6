#include "print/TRLine.h"

#include "print/TPrinter.h"
#include "print/TReport.h"
#include "util/Cp1252.h"
#include "util/Date.h"
#include "util/NumFormat.h"
#include "util/Text.h"

#include <algorithm>

namespace drav::print {
namespace {

int sayAlign(Align a) {
    return a == Align::Right ? 1 : a == Align::Center ? 2 : 0;
}

// A number without a picture: its plain text, right-aligned in the width a
// computed value has (10 positions, and the decimals when it has any).
QString plainNumber(double n) {
    if (n == double(qint64(n))) return QStringLiteral("%1").arg(n, 10, 'f', 0);
    return QStringLiteral("%1").arg(n, 13, 'f', 2);
}

// The function part of a picture ("@!" upper-cases letters).
bool upperPicture(const std::string& picture) {
    if (picture.empty() || picture[0] != '@') return false;
    auto blank = picture.find(' ');
    return picture.substr(0, blank).find('!') != std::string::npos;
}

}  // namespace

TRLine::TRLine(TReport& report, std::vector<TextBlock> titles, std::vector<ValueBlock> values,
               std::vector<std::string> pictures, std::optional<int> width, bool total, Align align,
               int font, bool footer)
    : oRpt(report),
      aTitle(std::move(titles)),
      aLine(std::move(values)),
      widthChars(width),
      lTotal(total),
      lFooter(footer) {
    const std::string picture = pictures.empty() ? std::string() : pictures.front();
    aPicture.assign(aLine.size(), picture);
    aAlign.assign(std::max(aLine.size(), aTitle.size()), align);
    aTitleFont.assign(aTitle.size(), 1);
    aFont.assign(aLine.size(), [font] { return font; });
    aClrText.assign(aLine.size(), [] { return QColor(Qt::black); });
    if (!width || *width == 0) {
        // A line set of width 0 (head, title, foot) spans the line width.
        nCol = report.nLeftMargin();
        nSize = report.nLineWidth();
    }
}

QString TRLine::formatted(size_t line, const Value& value) const {
    const std::string& picture = line < aPicture.size() ? aPicture[line] : std::string();
    switch (typeLetter(value)) {
        case 'D': {
            Date d = std::get<Date>(value);
            if (d.isEmpty()) return {};
            return QString::fromStdString(d.toText(DateFormat::TwoDigitYear));
        }
        case 'N': {
            double n = std::get<double>(value);
            if (picture.empty()) return plainNumber(n);
            return QString::fromStdString(transform(n, picture));
        }
        case 'L':
            return std::get<bool>(value) ? QStringLiteral("T") : QStringLiteral("F");
        case 'C': {
            std::string text = std::get<std::string>(value);
            if (upperPicture(picture)) upperAscii(text.data(), text.size());
            return fromCp1252(text);
        }
        default:
            return {};
    }
}

void TRLine::sayTitle(double row, size_t line) const {
    if (line >= aTitle.size()) return;
    const Align a = aAlign[std::min(line, aAlign.size() - 1)];
    oRpt.device().say(row, nCol, aTitle[line](), oRpt.font(aTitleFont[line]), nSize, Qt::black, 1,
                      sayAlign(a));
}

size_t TRLine::say(double row) {
    for (size_t i = 0; i < aLine.size(); ++i) {
        const QString text = formatted(i, aLine[i]());
        if (text.isEmpty()) continue;
        oRpt.device().say(row + i * oRpt.nLineHeight(), nCol, text, oRpt.font(aFont[i]()), nSize,
                          aClrText[i](), 1, sayAlign(aAlign[i]));
    }
    return aLine.size();
}

void TRLine::sayTotal(double row) const {
    const int font = aTitleFont.empty() ? 1 : aTitleFont.front();
    oRpt.device().say(row, nCol, formatted(0, Value(nTotal)), oRpt.font(font), nSize, Qt::black, 1,
                      sayAlign(aAlign.empty() ? Align::Left : aAlign.front()));
}

QString TRLine::sayHdr(const QString& title) const {
    TPrinter& p = oRpt.device();
    const TFont& font = oRpt.font(aFont.empty() ? 1 : aFont.front()());
    const double row = lFooter ? p.nVertRes() - 2 * oRpt.nTopMargin() : oRpt.nTopMargin();
    const double left = oRpt.nLeftMargin();
    const double right = p.nHorzRes() - left;
    p.say(row, left, title, font);
    const Date today = Date::today();
    if (!today.isEmpty())
        p.say(row, (left + right) / 2,
              QString::fromStdString(today.toText(DateFormat::TwoDigitYear)), font, std::nullopt,
              Qt::black, 1, 2);
    p.say(row, right, QStringLiteral("PAG. ") + QString::number(p.nPage()), font, std::nullopt,
          Qt::black, 1, 1);
    return {};
}

}  // namespace drav::print
