// The two exchange formats translators work with, both UTF-8 text: gettext PO
// files and RFC 4180 CSV files. Parsers throw FormatError with the line of the
// fault (1-based).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qx::tabletool {

class FormatError : public std::runtime_error {
public:
    FormatError(std::size_t line, const std::string& message)
        : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line), detail_(message) {}
    std::size_t line() const { return line_; }
    const std::string& detail() const { return detail_; }

private:
    std::size_t line_;
    std::string detail_;
};

struct PoEntry {
    std::string context;      // msgctxt: the row's key
    std::string source;       // msgid
    std::string translation;  // msgstr
    bool fuzzy = false;
    std::size_t line = 0;     // where the entry starts
};

struct PoFile {
    std::string header;  // the msgstr of the header entry (msgid "")
    std::vector<PoEntry> entries;
};

// A PO file with the given header text and entries, each entry with a context.
std::string writePo(const std::string& header, const std::vector<PoEntry>& entries);
PoFile parsePo(std::string_view text);

// The value of a "Name: value" line of a PO header, or empty.
std::string poHeaderField(const std::string& header, std::string_view name);

struct CsvRecord {
    std::vector<std::string> fields;
    std::size_t line = 0;  // where the record starts
};

// Records separated by CR LF; a field is quoted when it holds a comma, a
// quote, CR or LF, or starts or ends with a space.
std::string writeCsv(const std::vector<std::vector<std::string>>& records);
// Accepts CR LF or LF between records; a final line break is optional.
std::vector<CsvRecord> parseCsv(std::string_view text);

}  // namespace qx::tabletool
