#include "table_tool/text_formats.h"

#include <cstdio>

namespace qx::tabletool {

namespace {

std::string escape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\v': out += "\\v"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\%03o", static_cast<unsigned char>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out;
}

// A keyword and its string; a text with line breaks inside goes on one
// quoted line per line of text, after an empty first string, as PO editors
// and the gettext tools write it.
void writeString(std::string& out, std::string_view keyword, std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            lines.push_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < text.size() || lines.empty()) lines.push_back(text.substr(start));
    out += keyword;
    if (lines.size() == 1) {
        out += " \"" + escape(lines[0]) + "\"\n";
        return;
    }
    out += " \"\"\n";
    for (auto line : lines) out += "\"" + escape(line) + "\"\n";
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One quoted string that makes up the rest of a line.
std::string parseQuoted(std::string_view s, std::size_t lineNo) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    if (s.size() < 2 || s.front() != '"' || s.back() != '"') throw FormatError(lineNo, "expected a quoted string");
    s = s.substr(1, s.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') throw FormatError(lineNo, "unescaped quote inside a string");
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == s.size()) throw FormatError(lineNo, "string ends with a lone backslash");
        switch (char e = s[i]) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'v': out += '\v'; break;
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            int value = 0, digits = 0;
            while (i + 1 < s.size() && hexValue(s[i + 1]) >= 0 && digits < 2) value = value * 16 + hexValue(s[++i]), ++digits;
            if (digits == 0) throw FormatError(lineNo, "\\x without hex digits");
            out += static_cast<char>(value);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                int value = e - '0', digits = 1;
                while (i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '7' && digits < 3)
                    value = value * 8 + (s[++i] - '0'), ++digits;
                out += static_cast<char>(value & 0xFF);
                break;
            }
            throw FormatError(lineNo, std::string("unknown escape sequence \\") + e);
        }
    }
    return out;
}

class PoParser {
public:
    PoFile parse(std::string_view text) {
        if (startsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
        std::size_t lineNo = 0;
        while (!text.empty()) {
            ++lineNo;
            auto nl = text.find('\n');
            std::string_view line = text.substr(0, nl);
            text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            parseLine(line, lineNo);
        }
        finish(lineNo);
        return std::move(file_);
    }

private:
    enum class Part { None, Context, Id, Str };

    void parseLine(std::string_view line, std::size_t lineNo) {
        std::string_view trimmed = line;
        while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t')) trimmed.remove_prefix(1);
        if (trimmed.empty()) {
            finish(lineNo);
            return;
        }
        if (trimmed.front() == '#') {
            if (last_ == Part::Str) finish(lineNo);
            // Obsolete entries (#~) and previous strings (#|) are comments here.
            if (startsWith(trimmed, "#,") && trimmed.find("fuzzy") != std::string_view::npos) fuzzy_ = true;
            return;
        }
        if (trimmed.front() == '"') {
            if (last_ == Part::None) throw FormatError(lineNo, "string continuation without a keyword");
            target() += parseQuoted(trimmed, lineNo);
            return;
        }
        auto space = trimmed.find_first_of(" \t\"");
        std::string_view keyword = trimmed.substr(0, space);
        std::string_view rest = space == std::string_view::npos ? std::string_view() : trimmed.substr(space);
        if (keyword == "msgctxt") {
            if (last_ == Part::Str) finish(lineNo);
            if (last_ != Part::None) throw FormatError(lineNo, "msgctxt must start an entry");
            start(lineNo);
            last_ = Part::Context;
            hasContext_ = true;
            entry_.context = parseQuoted(rest, lineNo);
        } else if (keyword == "msgid") {
            if (last_ == Part::Str) finish(lineNo);
            if (last_ == Part::Id) throw FormatError(lineNo, "second msgid in one entry");
            if (last_ == Part::None) start(lineNo);
            last_ = Part::Id;
            entry_.source = parseQuoted(rest, lineNo);
        } else if (keyword == "msgstr") {
            if (last_ != Part::Id) throw FormatError(lineNo, "msgstr without a msgid before it");
            last_ = Part::Str;
            entry_.translation = parseQuoted(rest, lineNo);
        } else if (startsWith(keyword, "msgid_plural") || startsWith(keyword, "msgstr[")) {
            throw FormatError(lineNo, "plural forms are not used by this table");
        } else {
            throw FormatError(lineNo, "unexpected text \"" + std::string(keyword.substr(0, 40)) + "\"");
        }
    }

    std::string& target() {
        switch (last_) {
        case Part::Context: return entry_.context;
        case Part::Id: return entry_.source;
        default: return entry_.translation;
        }
    }

    void start(std::size_t lineNo) {
        entry_ = PoEntry{};
        entry_.line = lineNo;
        entry_.fuzzy = fuzzy_;
        hasContext_ = false;
    }

    void finish(std::size_t lineNo) {
        if (last_ == Part::None) return;
        if (last_ != Part::Str)
            throw FormatError(lineNo, "entry starting at line " + std::to_string(entry_.line) + " has no msgstr");
        if (!hasContext_ && entry_.source.empty() && !headerSeen_) {
            headerSeen_ = true;
            file_.header = entry_.translation;
        } else if (!hasContext_) {
            throw FormatError(entry_.line, "entry without msgctxt (the row's key)");
        } else {
            file_.entries.push_back(std::move(entry_));
        }
        last_ = Part::None;
        fuzzy_ = false;
    }

    PoFile file_;
    PoEntry entry_;
    Part last_ = Part::None;
    bool hasContext_ = false;
    bool fuzzy_ = false;
    bool headerSeen_ = false;
};

}  // namespace

std::string writePo(const std::string& header, const std::vector<PoEntry>& entries) {
    std::string out;
    out += "msgid \"\"\n";
    writeString(out, "msgstr", header);
    for (const auto& e : entries) {
        out += "\n";
        if (e.fuzzy) out += "#, fuzzy\n";
        writeString(out, "msgctxt", e.context);
        writeString(out, "msgid", e.source);
        writeString(out, "msgstr", e.translation);
    }
    return out;
}

PoFile parsePo(std::string_view text) { return PoParser().parse(text); }

std::string poHeaderField(const std::string& header, std::string_view name) {
    std::size_t pos = 0;
    while (pos < header.size()) {
        auto nl = header.find('\n', pos);
        std::string_view line = std::string_view(header).substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? header.size() : nl + 1;
        if (line.size() > name.size() && startsWith(line, name) && line[name.size()] == ':') {
            auto value = line.substr(name.size() + 1);
            while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
            return std::string(value);
        }
    }
    return {};
}

}  // namespace qx::tabletool
