// Windows-1252 text, the byte encoding of every text stored in the tables.
//
// Table bytes are kept unchanged in memory (std::string); they become
// Unicode (QString) only at the screen and print boundary, through the
// table below. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in
// the code page; they map to the C1 control of the same value so that
// every byte survives a round trip.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace drav {

QString fromCp1252(std::string_view bytes);
// Characters outside the code page become "?".
std::string toCp1252(const QString& text);
// Convenience for source literals (UTF-8) that must be compared with or
// written into table bytes: toCp1252(QString::fromUtf8(text)).
std::string cp(std::string_view utf8);

// O2A: the six DOS accented lower-case letters (codes 133, 138, 130, 141,
// 149, 151) become their Windows forms (224, 232, 233, 236, 242, 249).
std::string o2a(std::string_view bytes);
// The same mapping on Unicode text, for the characters those DOS codes
// decode to when read as Windows-1252.
QString o2a(const QString& text);

}  // namespace drav
