// The XML data packet: one DATAPACKET element holding METADATA (the FIELD
// definitions and the packet's PARAMS) and ROWDATA (one ROW per stored row,
// its values as attributes named after the fields; a null value is left out).
// Without a declared encoding the text is in the ANSI code page.
#include "localisation/datapacket.h"

#include "common/ansi_text.h"

#include "common/error.h"
#include "localisation/code_page.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace qx::datapacket {
namespace {

constexpr unsigned kStateNotCurrent = 0x23;

Error notAPacket(const char* why) { return Error(std::string("Not a valid XML data packet: ") + why); }

bool sameName(std::string_view a, std::string_view b) { return equalsIgnoringAsciiCase(a, b); }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isNameChar(char c) {
    return !isSpace(c) && c != '=' && c != '>' && c != '/' && c != '<' && c != '"' && c != '\'';
}

std::string encodeUtf8(std::uint32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

// UTF-8 text into the ANSI code page; a malformed sequence becomes "?".
std::string utf8ToAnsi(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        std::size_t len = b >= 0xF0 && b < 0xF5 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
        std::uint32_t cp = len == 4 ? b & 0x07 : len == 3 ? b & 0x0F : b & 0x1F;
        bool ok = len != 0 && i + len <= text.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) ok = false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (ok && ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))) ok = false;
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        out += codepage::fromCodePoint(cp);
        i += len;
    }
    return out;
}

struct Element {
    std::string_view name;
    std::vector<std::pair<std::string_view, std::string>> attributes;
    bool closing = false;
    bool empty = false;  // <name ... />
};

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {
        if (text_.starts_with("\xEF\xBB\xBF")) {
            text_.remove_prefix(3);
            utf8_ = true;
        }
    }

    // The next element tag, skipping text, comments, declarations and
    // processing instructions; nothing at the end of the input.
    std::optional<Element> next() {
        for (;;) {
            const auto lt = text_.find('<', pos_);
            if (lt == std::string_view::npos) return std::nullopt;
            pos_ = lt + 1;
            auto rest = text_.substr(pos_);
            if (rest.starts_with("?")) {
                const auto end = skipPast("?>");
                declaration(text_.substr(lt, end - lt));
            } else if (rest.starts_with("!--")) {
                skipPast("-->");
            } else if (rest.starts_with("![CDATA[")) {
                skipPast("]]>");
            } else if (rest.starts_with("!")) {
                skipPast(">");
            } else {
                return tag();
            }
        }
    }

private:
    std::size_t skipPast(std::string_view end) {
        const auto at = text_.find(end, pos_);
        if (at == std::string_view::npos) throw notAPacket("truncated");
        pos_ = at + end.size();
        return pos_;
    }

    void declaration(std::string_view decl) {
        if (!decl.starts_with("<?xml")) return;
        const auto at = decl.find("encoding");
        if (at == std::string_view::npos) return;
        auto rest = decl.substr(at + 8);
        const auto q = rest.find_first_of("\"'");
        if (q == std::string_view::npos) return;
        const auto e = rest.find(rest[q], q + 1);
        if (e == std::string_view::npos) return;
        auto enc = rest.substr(q + 1, e - q - 1);
        utf8_ = sameName(enc, "UTF-8") || sameName(enc, "UTF8");
    }

    char peek() const {
        if (pos_ >= text_.size()) throw notAPacket("truncated");
        return text_[pos_];
    }
    void skipSpace() {
        while (isSpace(peek())) ++pos_;
    }
    std::string_view name() {
        const auto start = pos_;
        while (isNameChar(peek())) ++pos_;
        if (pos_ == start) throw notAPacket("malformed tag");
        return text_.substr(start, pos_ - start);
    }

    Element tag() {
        Element e;
        if (peek() == '/') {
            ++pos_;
            e.closing = true;
        }
        e.name = name();
        for (;;) {
            skipSpace();
            const char c = peek();
            if (c == '>') {
                ++pos_;
                return e;
            }
            if (c == '/' && !e.closing) {
                ++pos_;
                if (peek() != '>') throw notAPacket("malformed tag");
                ++pos_;
                e.empty = true;
                return e;
            }
            if (e.closing) throw notAPacket("malformed closing tag");
            const auto attr = name();
            skipSpace();
            if (peek() != '=') throw notAPacket("attribute without value");
            ++pos_;
            skipSpace();
            const char quote = peek();
            if (quote != '"' && quote != '\'') throw notAPacket("unquoted attribute");
            const auto end = text_.find(quote, ++pos_);
            if (end == std::string_view::npos) throw notAPacket("truncated");
            e.attributes.emplace_back(attr, value(text_.substr(pos_, end - pos_)));
            pos_ = end + 1;
        }
    }

    // An attribute's text with its references resolved. Line ends and tabs
    // written literally count as spaces, as in any XML reader; written as
    // character references they are kept.
    std::string value(std::string_view raw) const {
        std::string out;
        std::size_t run = 0;  // start of the literal text not yet copied
        auto flush = [&](std::size_t upTo) {
            std::string literal(raw.substr(run, upTo - run));
            for (std::size_t i = 0; i < literal.size(); ++i) {
                if (literal[i] == '\r' && i + 1 < literal.size() && literal[i + 1] == '\n') literal.erase(i, 1);
                if (literal[i] == '\r' || literal[i] == '\n' || literal[i] == '\t') literal[i] = ' ';
            }
            out += utf8_ ? utf8ToAnsi(literal) : literal;
        };
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '<') throw notAPacket("'<' in an attribute");
            if (raw[i] != '&') continue;
            flush(i);
            const auto semi = raw.find(';', i);
            if (semi == std::string_view::npos) throw notAPacket("unterminated reference");
            out += reference(raw.substr(i + 1, semi - i - 1));
            i = semi;
            run = semi + 1;
        }
        flush(raw.size());
        return out;
    }

    std::string reference(std::string_view ref) const {
        if (ref == "amp") return "&";
        if (ref == "lt") return "<";
        if (ref == "gt") return ">";
        if (ref == "quot") return "\"";
        if (ref == "apos") return "'";
        if (!ref.starts_with("#") || ref.size() < 2) throw notAPacket("unknown entity");
        const bool hex = ref[1] == 'x' || ref[1] == 'X';
        auto digits = ref.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8) throw notAPacket("bad character reference");
        std::uint32_t cp = 0;
        for (char c : digits) {
            int d = c >= '0' && c <= '9' ? c - '0'
                    : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
            if (d < 0) throw notAPacket("bad character reference");
            cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
        }
        if (cp > 0x10FFFF) throw notAPacket("bad character reference");
        // Without a declared encoding a reference below 256 stands for that
        // byte of the ANSI text; anything else is a Unicode character.
        if (!utf8_ && cp < 0x100) return std::string(1, static_cast<char>(cp));
        return utf8_ ? utf8ToAnsi(encodeUtf8(cp)) : codepage::fromCodePoint(cp);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    bool utf8_ = false;
};

bool atPath(const std::vector<std::string_view>& stack, std::initializer_list<std::string_view> path) {
    if (stack.size() != path.size()) return false;
    std::size_t i = 0;
    for (auto p : path)
        if (!sameName(stack[i++], p)) return false;
    return true;
}

unsigned rowState(std::string_view text) {
    if (text.empty() || text.size() > 9) throw notAPacket("bad RowState");
    unsigned v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') throw notAPacket("bad RowState");
        v = v * 10 + static_cast<unsigned>(c - '0');
    }
    return v;
}

}  // namespace

Table readXml(std::string_view text) {
    Parser parser(text);
    std::vector<std::string_view> stack;
    std::vector<std::string> fields;  // attrname of every FIELD, in order
    std::vector<std::vector<std::pair<std::string_view, std::string>>> rows;
    bool sawPacket = false;

    while (auto e = parser.next()) {
        if (e->closing) {
            if (stack.empty() || !sameName(stack.back(), e->name)) throw notAPacket("mismatched tag");
            stack.pop_back();
            continue;
        }
        if (stack.empty()) {
            if (sawPacket || !sameName(e->name, "DATAPACKET")) throw notAPacket("no DATAPACKET element");
            sawPacket = true;
        }
        if (sameName(e->name, "FIELD") && atPath(stack, {"DATAPACKET", "METADATA", "FIELDS"})) {
            for (auto& [name, value] : e->attributes)
                if (sameName(name, "attrname")) fields.push_back(value);
        } else if (sameName(e->name, "ROW") && atPath(stack, {"DATAPACKET", "ROWDATA"})) {
            rows.push_back(std::move(e->attributes));
        }
        if (!e->empty) stack.push_back(e->name);
    }
    if (!sawPacket || !stack.empty()) throw notAPacket("truncated");

    Table table;
    for (const auto& field : fields)
        for (std::size_t slot = 0; slot < kColumnCount; ++slot)
            if (sameName(field, kColumnNames[slot])) table.hasColumn[slot] = true;
    if (!table.hasColumn[0]) throw Error("Field 'ID' not found");

    for (const auto& attributes : rows) {
        Row row;
        unsigned state = 0;
        std::array<bool, kColumnCount> seen{};
        for (const auto& [name, value] : attributes) {
            if (sameName(name, "RowState")) {
                state = rowState(value);
                continue;
            }
            for (std::size_t slot = 0; slot < kColumnCount; ++slot) {
                if (table.hasColumn[slot] && !seen[slot] && sameName(name, kColumnNames[slot])) {
                    row[slot] = value.substr(0, value.find('\0'));
                    seen[slot] = true;
                    break;
                }
            }
        }
        if (!(state & kStateNotCurrent)) table.rows.push_back(std::move(row));
    }
    return table;
}

namespace {

void appendEscaped(std::string& out, std::string_view value) {
    for (char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (static_cast<unsigned char>(c) < 32) {
                // CR and LF come out as &#013;&#010;, like every control byte.
                const unsigned v = static_cast<unsigned char>(c);
                out += "&#0";
                out += static_cast<char>('0' + v / 10);
                out += static_cast<char>('0' + v % 10);
                out += ';';
            } else {
                out += c;
            }
        }
    }
}

}  // namespace

std::string writeXml(const std::vector<Row>& rows) { return writeXml(rowPointers(rows)); }

std::string writeXml(std::span<const Row* const> rows) {
    std::string out = "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    for (const char* name : kColumnNames) {
        out += "<FIELD attrname=\"";
        out += name;
        out += "\" fieldtype=\"string\" WIDTH=\"250\"/>";
    }
    out += "</FIELDS><PARAMS/></METADATA><ROWDATA>";
    for (const Row* rowPtr : rows) {
        const Row& row = *rowPtr;
        out += "<ROW";
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (row[c].empty()) continue;
            out += ' ';
            out += kColumnNames[c];
            out += "=\"";
            appendEscaped(out, std::string_view(row[c]).substr(0, kFieldWidth));
            out += '"';
        }
        out += "/>";
    }
    out += "</ROWDATA></DATAPACKET>";
    return out;
}

}  // namespace qx::datapacket
