#include "table_tool/text_formats.h"

namespace qx::tabletool {

namespace {

bool needsQuotes(const std::string& field) {
    if (field.find_first_of(",\"\r\n") != std::string::npos) return true;
    // Spreadsheets drop the blanks around an unquoted value.
    return !field.empty() && (field.front() == ' ' || field.back() == ' ' || field.front() == '\t' || field.back() == '\t');
}

}  // namespace

std::string writeCsv(const std::vector<std::vector<std::string>>& records) {
    std::string out;
    for (const auto& record : records) {
        for (std::size_t i = 0; i < record.size(); ++i) {
            if (i) out += ',';
            const std::string& field = record[i];
            if (!needsQuotes(field)) {
                out += field;
                continue;
            }
            out += '"';
            for (char c : field) {
                if (c == '"') out += '"';
                out += c;
            }
            out += '"';
        }
        out += "\r\n";
    }
    return out;
}

std::vector<CsvRecord> parseCsv(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<CsvRecord> records;
    std::size_t line = 1;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        CsvRecord record;
        record.line = line;
        bool endOfRecord = false;
        while (!endOfRecord) {
            std::string field;
            if (i < n && text[i] == '"') {
                const std::size_t fieldLine = line;
                ++i;
                for (;;) {
                    if (i == n) throw FormatError(fieldLine, "quoted field is never closed");
                    char c = text[i++];
                    if (c == '"') {
                        if (i < n && text[i] == '"') {
                            field += '"';
                            ++i;
                            continue;
                        }
                        break;
                    }
                    if (c == '\n') ++line;
                    field += c;
                }
                if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
                    throw FormatError(line, "text after the closing quote of a field");
            } else {
                while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                    if (text[i] == '"') throw FormatError(line, "quote inside an unquoted field");
                    field += text[i++];
                }
            }
            record.fields.push_back(std::move(field));
            if (i == n) {
                endOfRecord = true;
            } else if (text[i] == ',') {
                ++i;
            } else if (text[i] == '\n') {
                ++i, ++line, endOfRecord = true;
            } else if (i + 1 < n && text[i + 1] == '\n') {  // CR LF
                i += 2, ++line, endOfRecord = true;
            } else {
                throw FormatError(line, "carriage return outside quotes not followed by a line feed");
            }
        }
        // A blank line carries no record.
        if (record.fields.size() == 1 && record.fields[0].empty()) continue;
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace qx::tabletool
