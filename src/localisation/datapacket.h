// Reading and writing the translation table's file: the binary data packet
// and the XML data packet of the client-dataset engine.
//
// Readers accept what the engine writes: any column order, extra columns,
// packet properties, rows that are not current (kept in an unmerged change
// log) and both length-prefix widths. Writers emit the plain form: the five
// text columns of width 250, no packet property, current rows only with state
// 0, an empty value as null.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qx::datapacket {

inline constexpr std::size_t kColumnCount = 5;
inline constexpr std::size_t kFieldWidth = 250;
inline constexpr std::array<const char*, kColumnCount> kColumnNames = {
    "ID", "OriginString", "NewString", "NewString2", "NewString3"};

using Row = std::array<std::string, kColumnCount>;

// The table's columns as found in a packet. A column the packet lacks is
// marked absent and reads as empty text; `ID` is always present (a packet
// without it is refused). Values are as stored in the packet: a null value
// is empty, nothing is cut.
struct Table {
    std::array<bool, kColumnCount> hasColumn{};
    std::vector<Row> rows;
};

// Both readers throw qx::Error for input that is not a packet, is truncated or
// has no `ID` column.
Table readBinary(std::string_view bytes);
Table readXml(std::string_view text);

std::string writeBinary(std::span<const Row* const> rows);
std::string writeXml(std::span<const Row* const> rows);
std::string writeBinary(const std::vector<Row>& rows);
std::string writeXml(const std::vector<Row>& rows);

// The rows in the order given, for writing.
std::vector<const Row*> rowPointers(const std::vector<Row>& rows);

}  // namespace qx::datapacket
