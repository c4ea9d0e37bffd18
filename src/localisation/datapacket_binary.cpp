// The binary data packet. Little-endian throughout:
//
//   header (24 bytes)   magic 0xBDE01996, version 1.0, header size, column
//                       count, row count, flags, offset of the first row
//   column descriptors  name, type word, attribute flags, properties
//   packet properties   count, then the properties
//   rows                state byte, 2 status bits per column, the values of
//                       the columns whose status bits are clear
#include "localisation/datapacket.h"

#include "common/ansi_text.h"

#include "common/error.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace qx::datapacket {
namespace {

constexpr std::uint32_t kMagic = 0xBDE01996;
constexpr std::uint32_t kHeaderSize = 24;
constexpr std::uint32_t kFlagMetadata = 1;
constexpr std::uint32_t kFlagRowOffset = 2;

constexpr std::uint32_t kSizeMask = 0xFFFF;
constexpr std::uint32_t kVariable = 0x400000;
constexpr std::uint32_t kArray = 0x800000;
constexpr std::uint32_t kBaseString = 9;
constexpr std::uint32_t baseType(std::uint32_t type) { return (type >> 16) & 0x3F; }

constexpr std::uint32_t kStringColumnType = 0x00490001;   // 8-bit string, 1-byte prefix
constexpr std::uint32_t kWidthPropertyType = 0x00020002;  // 2-byte unsigned

constexpr unsigned kStatusNull = 1;
constexpr unsigned kStatusNotChanged = 2;
constexpr unsigned kStateNotCurrent = 0x23;  // original, deleted, unused

Error notAPacket(const char* why) { return Error(std::string("Not a valid data packet: ") + why); }

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    std::size_t pos() const { return pos_; }
    std::size_t size() const { return bytes_.size(); }
    void seek(std::size_t pos) {
        if (pos > bytes_.size()) throw notAPacket("offset beyond the end");
        pos_ = pos;
    }

    std::string_view take(std::uint64_t n) {
        if (n > bytes_.size() - pos_) throw notAPacket("truncated");
        auto out = bytes_.substr(pos_, static_cast<std::size_t>(n));
        pos_ += static_cast<std::size_t>(n);
        return out;
    }
    std::uint32_t uint(std::size_t width) {
        auto b = take(width);
        std::uint32_t v = 0;
        for (std::size_t i = width; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(b[i]);
        return v;
    }
    std::uint32_t u8() { return uint(1); }
    std::uint32_t u16() { return uint(2); }
    std::uint32_t u32() { return uint(4); }

    // A value of the given type word, as column values and properties store
    // it: fixed types take `size` bytes, variable ones a length prefix of
    // `size` bytes and the data, arrays a count and that many elements.
    std::string_view value(std::uint32_t type) {
        const std::uint32_t size = type & kSizeMask;
        if (type & kArray) {
            if (type & kVariable) throw notAPacket("array of variable-length values");
            std::uint64_t count = u32();
            return take(count * size);
        }
        if (type & kVariable) {
            if (size != 1 && size != 2 && size != 4) throw notAPacket("bad length prefix");
            return take(uint(size));
        }
        return take(size);
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

bool sameName(std::string_view a, std::string_view b) { return equalsIgnoringAsciiCase(a, b); }

struct Column {
    std::uint32_t type = 0;
    std::optional<std::size_t> slot;  // which of the table's columns, if any
};

// A fixed-size string value is padded with NULs; a variable one is not, but a
// NUL ends the text either way.
std::string_view untilNul(std::string_view v) { return v.substr(0, v.find('\0')); }

// What a stored row says beside its values: its state, and which of the
// table's columns it marks as not changed.
struct RowMarks {
    unsigned state = 0;
    std::array<bool, kColumnCount> notChanged{};
};

}  // namespace

Table readBinary(std::string_view bytes) {
    Reader in(bytes);
    if (bytes.size() < kHeaderSize) throw notAPacket("shorter than its header");
    if (in.u32() != kMagic) throw notAPacket("no packet signature");
    in.u16();  // major version
    in.u16();  // minor version
    in.u32();  // header size
    const std::uint32_t columnCount = in.u16();
    const std::uint32_t rowCount = in.u32();
    const std::uint32_t flags = in.u32();
    const std::uint32_t rowOffset = in.u16();
    if (!(flags & kFlagMetadata)) throw notAPacket("no field definitions");

    Table table;
    std::vector<Column> columns(columnCount);
    for (auto& column : columns) {
        auto name = in.take(in.u8());
        column.type = in.u32();
        in.u16();  // attribute flags
        for (std::uint32_t n = in.u16(); n > 0; --n) {  // WIDTH and the like
            in.take(in.u8());
            in.value(in.u32());
        }
        if (column.type & kArray) throw notAPacket("nested column");
        if (baseType(column.type) != kBaseString) continue;
        for (std::size_t slot = 0; slot < kColumnCount; ++slot) {
            if (!table.hasColumn[slot] && sameName(name, kColumnNames[slot])) {
                table.hasColumn[slot] = true;
                column.slot = slot;
                break;
            }
        }
    }
    if (!table.hasColumn[0]) throw Error("Field 'ID' not found");

    // Of the packet properties only the change log matters: it tells which
    // earlier row a modified row replaces, and that row holds the values the
    // modified row marks as not changed.
    std::string_view changeLog;
    for (std::uint32_t n = in.u16(); n > 0; --n) {
        auto name = in.take(in.u8());
        const std::uint32_t type = in.u32();
        auto value = in.value(type);
        if (name == "CHANGE_LOG" && (type & kArray) && (type & kSizeMask) == 4) changeLog = value;
    }
    if (flags & kFlagRowOffset) {
        if (rowOffset < in.pos()) throw notAPacket("rows overlap the field definitions");
        in.seek(rowOffset);
    }

    // All stored rows go into the table first; the ones that are not current
    // are dropped at the end. Each row takes at least one byte per status
    // byte and the state byte, which bounds what a row count can reserve.
    const std::size_t statusBytes = (columnCount + 3) / 4;
    auto& rows = table.rows;
    std::vector<RowMarks> marks;
    const std::size_t most = (in.size() - in.pos()) / (statusBytes + 1);
    rows.reserve(std::min<std::size_t>(rowCount, most));
    marks.reserve(rows.capacity());
    for (std::uint32_t r = 0; r < rowCount; ++r) {
        Row& row = rows.emplace_back();
        RowMarks& mark = marks.emplace_back();
        mark.state = in.u8();
        auto status = in.take(statusBytes);
        for (std::size_t c = 0; c < columnCount; ++c) {
            const unsigned bits = (static_cast<unsigned char>(status[c / 4]) >> (2 * (c % 4))) & 3;
            const auto slot = columns[c].slot;
            if (bits & kStatusNotChanged) {
                if (slot) mark.notChanged[*slot] = true;
                continue;
            }
            if (bits & kStatusNull) continue;
            auto value = in.value(columns[c].type);
            if (slot) row[*slot] = untilNul(value);
        }
    }

    // The change log: triplets of row number, earlier row number (0 for
    // none) and action, rows counted from 1.
    std::vector<std::uint32_t> earlier(rows.size() + 1, 0);
    Reader log(changeLog);
    for (std::size_t n = changeLog.size() / 12; n > 0; --n) {
        const std::uint32_t row = log.u32(), before = log.u32();
        log.u32();  // action
        if (row >= 1 && row <= rows.size()) earlier[row] = before;
    }

    // A value marked not changed is that of the earlier version the change
    // log names. Each walk down a chain of versions settles every version it
    // passes, so no chain is walked twice; a looping log gives empty text.
    std::vector<bool> onPath(rows.size());
    std::vector<std::size_t> path;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (marks[r].state & kStateNotCurrent) continue;
        for (std::size_t slot = 0; slot < kColumnCount; ++slot) {
            if (!marks[r].notChanged[slot]) continue;
            std::size_t at = r;
            bool found = true;
            while (marks[at].notChanged[slot] && !onPath[at]) {
                onPath[at] = true;
                path.push_back(at);
                const std::size_t before = earlier[at + 1];
                if (before == 0 || before > rows.size()) {
                    found = false;
                    break;
                }
                at = before - 1;
            }
            const std::string value = found && !marks[at].notChanged[slot] ? rows[at][slot] : std::string();
            for (std::size_t p : path) {
                rows[p][slot] = value;
                marks[p].notChanged[slot] = false;
                onPath[p] = false;
            }
            path.clear();
        }
    }

    std::size_t kept = 0;
    for (std::size_t r = 0; r < rows.size(); ++r)
        if (!(marks[r].state & kStateNotCurrent)) {
            if (kept != r) rows[kept] = std::move(rows[r]);
            ++kept;
        }
    rows.resize(kept);
    return table;
}

namespace {

class Writer {
public:
    void uint(std::uint32_t v, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void bytes(std::string_view b) { out_.append(b); }
    void name(std::string_view n) {
        uint(static_cast<std::uint32_t>(n.size()), 1);
        bytes(n);
    }
    std::size_t size() const { return out_.size(); }
    void reserve(std::size_t n) { out_.reserve(n); }
    void patch16(std::size_t at, std::uint32_t v) {
        out_[at] = static_cast<char>(v & 0xFF);
        out_[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
};

}  // namespace

std::vector<const Row*> rowPointers(const std::vector<Row>& rows) {
    std::vector<const Row*> out;
    out.reserve(rows.size());
    for (const Row& row : rows) out.push_back(&row);
    return out;
}

std::string writeBinary(const std::vector<Row>& rows) { return writeBinary(rowPointers(rows)); }

std::string writeBinary(std::span<const Row* const> rows) {
    Writer out;
    out.reserve(174 + rows.size() * 64);
    out.uint(kMagic, 4);
    out.uint(1, 2);
    out.uint(0, 2);
    out.uint(kHeaderSize, 4);
    out.uint(kColumnCount, 2);
    out.uint(static_cast<std::uint32_t>(rows.size()), 4);
    out.uint(kFlagMetadata | kFlagRowOffset, 4);
    const std::size_t offsetAt = out.size();
    out.uint(0, 2);

    for (const char* name : kColumnNames) {
        out.name(name);
        out.uint(kStringColumnType, 4);
        out.uint(0, 2);  // attribute flags
        out.uint(1, 2);  // one property: WIDTH
        out.name("WIDTH");
        out.uint(kWidthPropertyType, 4);
        out.uint(kFieldWidth, 2);
    }
    out.uint(0, 2);  // no packet property
    out.patch16(offsetAt, static_cast<std::uint32_t>(out.size()));

    for (const Row* rowPtr : rows) {
        const Row& row = *rowPtr;
        out.uint(0, 1);  // state: unchanged
        std::uint32_t status = 0;
        for (std::size_t c = 0; c < kColumnCount; ++c)
            if (row[c].empty()) status |= kStatusNull << (2 * c);
        out.uint(status, (kColumnCount + 3) / 4);
        for (const auto& value : row) {
            if (value.empty()) continue;
            auto v = std::string_view(value).substr(0, kFieldWidth);
            out.uint(static_cast<std::uint32_t>(v.size()), 1);
            out.bytes(v);
        }
    }
    return out.take();
}

}  // namespace qx::datapacket
