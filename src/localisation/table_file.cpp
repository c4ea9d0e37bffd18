#include "localisation/table_file.h"

#include "common/error.h"
#include "localisation/file_system.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace qx::tablefile {
namespace {

using namespace std::chrono_literals;

// Another process that reads or replaces the file holds it for milliseconds;
// a second covers that with room to spare and is short enough for a person
// waiting for the dialog.
constexpr auto kRetryFor = 1000ms;
constexpr auto kRetryPause = 50ms;

// Runs `operation` until it succeeds, fails in a way `worthRetrying` refuses,
// or the time for trying again is over; the last failure is thrown.
template <class Operation, class Predicate>
auto retrying(Operation operation, Predicate worthRetrying) {
    const auto until = std::chrono::steady_clock::now() + kRetryFor;
    for (;;) {
        try {
            return operation();
        } catch (const files::FileError& e) {
            if (!worthRetrying(e) || std::chrono::steady_clock::now() + kRetryPause > until) throw;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

// A temporary name that no other process saving the same file at the same
// moment picks too: with one shared name, one process would truncate or
// rename away the file another one is writing.
std::string temporaryName(const std::string& path) {
    static std::mt19937_64 generator{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(generator()));
    return path + suffix;
}

}  // namespace

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

std::optional<std::string> readBytes(const std::string& path) {
    return retrying([&] { return files::readFile(path); }, [](const files::FileError& e) { return e.busy(); });
}

datapacket::Table parse(const std::string& path, std::string_view bytes) {
    return isXmlName(path) ? datapacket::readXml(bytes) : datapacket::readBinary(bytes);
}

std::optional<datapacket::Table> load(const std::string& path) {
    auto bytes = readBytes(path);
    if (!bytes) return std::nullopt;
    return parse(path, *bytes);
}

void save(const std::string& path, const std::vector<datapacket::Row>& rows) {
    save(path, datapacket::rowPointers(rows));
}

void save(const std::string& path, std::span<const datapacket::Row* const> rows) {
    const std::string bytes = isXmlName(path) ? datapacket::writeXml(rows) : datapacket::writeBinary(rows);
    const std::string temp = temporaryName(path);
    try {
        files::writeFileDurably(temp, bytes);
        // A file that is open elsewhere without leave to delete it cannot be
        // replaced: Windows reports a sharing violation or, for the target of
        // a rename, access denied. Both last only while the other process
        // reads; the temporary file beside it shows the folder is writable.
        retrying([&] { files::replaceFile(temp, path); },
                 [](const files::FileError& e) { return e.busy() || e.fault() == files::FileFault::AccessDenied; });
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
