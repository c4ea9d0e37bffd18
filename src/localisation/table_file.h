// The translation table's file on disk: the packet format chosen by the file
// name, atomic replacement on save, and setting an unreadable file aside.
// Several processes may use one file at a time: a file another process holds
// for a moment is tried again for about a second.
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

// The file's bytes, or nothing when there is no file. Throws files::FileError
// when the file is there but cannot be read, a sharing violation or a lock
// still after about a second of trying again.
std::optional<std::string> readBytes(const std::string& path);

// The table in a file's bytes. Throws qx::Error (never a FileError) when they
// are not a packet of the table.
datapacket::Table parse(const std::string& path, std::string_view bytes);

// readBytes, then parse: the file's table, or nothing when there is no file.
std::optional<datapacket::Table> load(const std::string& path);

// Writes a temporary file of its own beside `path`, flushes it and puts it in
// place of `path` in one step, trying that step again for about a second
// while another process keeps `path` from being replaced. On failure `path`
// keeps its old content.
void save(const std::string& path, std::span<const datapacket::Row* const> rows);
void save(const std::string& path, const std::vector<datapacket::Row>& rows);

// Renames the file to the first free name of path.bad, path.bad1, path.bad2,
// ... and returns that name.
std::string setAside(const std::string& path);

}  // namespace qx::tablefile
