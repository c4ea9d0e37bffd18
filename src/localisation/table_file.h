// The translation table's file on disk: the packet format chosen by the file
// name, atomic replacement on save, and setting an unreadable file aside.
#pragma once

#include "localisation/datapacket.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qx::tablefile {

// A name ending in ".xml" (any case) holds the XML packet, any other the
// binary one.
bool isXmlName(std::string_view path);

// The file's table, or nothing when there is no file. Throws qx::Error when
// the file cannot be read or is not a packet of the table.
std::optional<datapacket::Table> load(const std::string& path);

// Writes a temporary file beside `path`, flushes it and puts it in place of
// `path` in one step. On failure `path` keeps its old content.
void save(const std::string& path, std::span<const datapacket::Row* const> rows);
void save(const std::string& path, const std::vector<datapacket::Row>& rows);

// Renames the file to the first free name of path.bad, path.bad1, path.bad2,
// ... and returns that name.
std::string setAside(const std::string& path);

}  // namespace qx::tablefile
