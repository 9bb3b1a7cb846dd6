// Profile ("INI") files: the layout of the configuration file "DRAV.CFG".
//
// Sections: the layout; the in-memory profile (IniFile); reading and writing
// the file; the key list of a section (getPvProfSection).
//
// Layout. A text file of lines ending in CR LF. A line "[Name]" opens a
// section; the lines after it, up to the next section line, belong to it.
// A line "KEY=value" of a section is a key; blanks around the key and the
// value are not part of them. Section and key names compare without regard
// to letter case (a-z only). Other lines (blank lines, ";" comments, other
// text) are kept as they stand. Only the first section of a name and the
// first line of a key within it count.
//
//     [Vars]
//     CFG_DBUST=N0
//     CFG_IVA=N20
//
// The profile keeps every line it read, so writing one key back changes
// that key's line and nothing else: other sections, unknown keys and
// comments survive a save. The bytes are kept unchanged (Windows-1252).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drav {

// At most this many bytes of key names are read from a section: every name
// counts its length plus one, and one more byte closes the list.
constexpr size_t kMaxKeyNameBytes = 16384;

class IniFile {
public:
    IniFile() = default;

    // A profile from the bytes of a file: lines end in LF, CR LF or nothing
    // (the last one).
    static IniFile parse(std::string_view bytes);

    // Reads the file. A missing file is an empty profile (*existed false).
    // Any other failure is raised through the error handler; when the handler
    // lets the caller go on, the result is nothing.
    static std::optional<IniFile> load(const std::string& path, bool* existed = nullptr);

    // Writes the profile to the file, replacing it whole only once the new
    // content is safely on disk: the text goes to a temporary file in the
    // same folder that is then renamed over the old one, so a full disk or
    // a crash never leaves a truncated file behind. An existing file that
    // may not be written is refused as it would be by an in-place write.
    // Failures are raised through the error handler; false when the handler
    // lets the caller go on.
    bool save(const std::string& path) const;

    bool hasSection(std::string_view section) const;
    // The key names of the section in file order, each once; empty when the
    // section does not exist. Stops at the last name that fits in maxBytes.
    std::vector<std::string> keys(std::string_view section,
                                  size_t maxBytes = kMaxKeyNameBytes) const;
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Replaces the key's line in place, or adds the line after the last line
    // of the section that is not blank, or adds the section with the line at
    // the end of the profile. A line break in the value would split the
    // line and lose what follows it: each one is written as a blank.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    // The profile as file bytes: every line followed by CR LF.
    std::string bytes() const;

private:
    // Index of the section's header line; npos when absent.
    size_t findSection(std::string_view section) const;
    // One past the last line belonging to the section that starts at header.
    size_t sectionEnd(size_t header) const;
    // Index of the key's line within [begin, end); npos when absent.
    size_t findKey(size_t begin, size_t end, std::string_view key) const;

    std::vector<std::string> m_lines;
};

// The full path of a profile named by the program: a bare name lives in the
// data folder (the current folder), and the name part is in capitals.
std::string profilePath(const std::string& file);

// GETPVPROFSECTION: the key names of a section of a profile file, in file
// order; empty when the file or the section does not exist. A file that
// exists but cannot be read is raised through the error handler.
std::vector<std::string> getPvProfSection(const std::string& section, const std::string& file);

}  // namespace drav
