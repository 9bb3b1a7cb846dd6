// A text handed to the page functions.
//
// Layouts mix source literals with field values: a literal (const char*,
// UTF-8 source text) and a QString are taken as they are, a std::string is
// table bytes (Windows-1252) and is decoded. Every page function takes its
// texts as PrintText, so a layout writes printTxt({"FATTURA N.", numero}, ...)
// whatever each piece is.
#pragma once

#include "util/Cp1252.h"

#include <QString>
#include <string>
#include <vector>

namespace drav::print {

class PrintText {
public:
    PrintText(const QString& text) : m_text(text) {}                  // NOLINT: implicit by design
    PrintText(const char* utf8) : m_text(QString::fromUtf8(utf8)) {}  // NOLINT
    PrintText(const std::string& cp1252) : m_text(fromCp1252(cp1252)) {}  // NOLINT
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

using PrintTexts = std::vector<PrintText>;

}  // namespace drav::print
