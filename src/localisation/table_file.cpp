#include "localisation/table_file.h"

#include "common/error.h"
#include "localisation/file_system.h"

namespace qx::tablefile {

bool isXmlName(std::string_view path) {
    constexpr std::string_view ext = ".xml";
    if (path.size() < ext.size()) return false;
    auto tail = path.substr(path.size() - ext.size());
    for (std::size_t i = 0; i < ext.size(); ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != ext[i]) return false;
    }
    return true;
}

std::optional<datapacket::Table> load(const std::string& path) {
    auto bytes = files::readFile(path);
    if (!bytes) return std::nullopt;
    return isXmlName(path) ? datapacket::readXml(*bytes) : datapacket::readBinary(*bytes);
}

void save(const std::string& path, const std::vector<datapacket::Row>& rows) {
    save(path, datapacket::rowPointers(rows));
}

void save(const std::string& path, std::span<const datapacket::Row* const> rows) {
    const std::string bytes = isXmlName(path) ? datapacket::writeXml(rows) : datapacket::writeBinary(rows);
    const std::string temp = path + ".tmp";
    try {
        files::writeFileDurably(temp, bytes);
        files::replaceFile(temp, path);
    } catch (...) {
        files::removeFile(temp);
        throw;
    }
}

std::string setAside(const std::string& path) {
    for (int n = 0; n < 10000; ++n) {
        std::string target = path + ".bad" + (n ? std::to_string(n) : std::string());
        if (files::renameIfFree(path, target)) return target;
    }
    throw Error("Cannot rename file \"" + path + "\": no free name");
}

}  // namespace qx::tablefile
