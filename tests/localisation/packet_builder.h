// Builds binary data packets byte by byte from the documented layout, so that
// tests can hand the reader the forms the engine writes (change logs, extra
// columns, packet properties, other prefix widths) independently of our own
// writer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qxtest {

inline std::string le(std::uint64_t v, int width) {
    std::string out;
    for (int i = 0; i < width; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

inline std::string shortName(const std::string& name) { return le(name.size(), 1) + name; }

// One cell of a stored row.
struct Cell {
    enum Kind { Value, Null, NotChanged } kind = Value;
    std::string bytes;
    Cell(const char* v) : bytes(v) {}
    Cell(std::string v) : bytes(std::move(v)) {}
    static Cell null() { return Cell(Null); }
    static Cell notChanged() { return Cell(NotChanged); }

private:
    explicit Cell(Kind k) : kind(k) {}
};

class PacketBuilder {
public:
    static constexpr std::uint32_t kString1 = 0x00490001;  // 8-bit string, 1-byte prefix
    static constexpr std::uint32_t kString2 = 0x00490002;  // 8-bit string, 2-byte prefix
    static constexpr std::uint32_t kInt32 = 0x00010004;
    static constexpr std::uint32_t kUInt16 = 0x00020002;

    // A property: name, type word, value bytes as stored (prefix included).
    static std::string property(const std::string& name, std::uint32_t type, const std::string& value) {
        return shortName(name) + le(type, 4) + value;
    }
    static std::string width(unsigned w) { return property("WIDTH", kUInt16, le(w, 2)); }

    // A string column of the given width: 1-byte prefix below 255, else 2.
    PacketBuilder& stringColumn(const std::string& name, unsigned w, std::uint16_t attributes = 0) {
        return column(name, w < 255 ? kString1 : kString2, {width(w)}, attributes);
    }
    PacketBuilder& column(const std::string& name, std::uint32_t type, std::vector<std::string> props = {},
                          std::uint16_t attributes = 0) {
        columns_.push_back({name, type, std::move(props), attributes});
        return *this;
    }
    PacketBuilder& packetProperty(std::string bytes) {
        packetProps_.push_back(std::move(bytes));
        return *this;
    }
    PacketBuilder& row(unsigned state, const std::vector<Cell>& cells) {
        std::string r = le(state, 1);
        std::string status((columns_.size() + 3) / 4, '\0');
        std::string data;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const auto& cell = cells[c];
            if (cell.kind != Cell::Value) {
                const unsigned bits = cell.kind == Cell::Null ? 1 : 2;
                status[c / 4] = static_cast<char>(status[c / 4] | (bits << (2 * (c % 4))));
                continue;
            }
            const std::uint32_t type = columns_[c].type;
            if (type & 0x400000) data += le(cell.bytes.size(), type & 0xFFFF);
            data += cell.bytes;
        }
        rows_ += r + status + data;
        ++rowCount_;
        return *this;
    }
    PacketBuilder& rowCount(std::uint32_t n) {
        rowCountOverride_ = n;
        return *this;
    }
    PacketBuilder& flags(std::uint32_t f) {
        flags_ = f;
        return *this;
    }

    std::string build() const {
        std::string meta;
        for (const auto& c : columns_) {
            meta += shortName(c.name) + le(c.type, 4) + le(c.attributes, 2) + le(c.props.size(), 2);
            for (const auto& p : c.props) meta += p;
        }
        meta += le(packetProps_.size(), 2);
        for (const auto& p : packetProps_) meta += p;
        const std::size_t rowOffset = 24 + meta.size();
        std::string header = le(0xBDE01996, 4) + le(1, 2) + le(0, 2) + le(24, 4) + le(columns_.size(), 2) +
                             le(rowCountOverride_ ? *rowCountOverride_ : rowCount_, 4) + le(flags_, 4) +
                             le(rowOffset, 2);
        return header + meta + rows_;
    }

private:
    struct Column {
        std::string name;
        std::uint32_t type;
        std::vector<std::string> props;
        std::uint16_t attributes;
    };
    std::vector<Column> columns_;
    std::vector<std::string> packetProps_;
    std::string rows_;
    std::uint32_t rowCount_ = 0;
    std::optional<std::uint32_t> rowCountOverride_;
    std::uint32_t flags_ = 3;
};

// The five columns of the table in their usual order and width.
inline PacketBuilder tableColumns() {
    PacketBuilder b;
    for (const char* name : {"ID", "OriginString", "NewString", "NewString2", "NewString3"})
        b.stringColumn(name, 250);
    return b;
}

}  // namespace qxtest
