#include "localisation/language_table.h"

#include "common/ansi_text.h"
#include "common/error.h"
#include "localisation/datapacket.h"
#include "localisation/file_system.h"
#include "localisation/table_file.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <numeric>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace qx {
namespace {

using datapacket::kColumnCount;
using datapacket::kColumnNames;
using datapacket::Row;

enum Column : std::size_t { kID, kOriginString, kNewString };

// A field holds at most 250 bytes, and a NUL ends it. Keys are cut the same
// way before a search, so a long key finds the row it created.
std::string_view storedView(std::string_view text) {
    return text.substr(0, text.find('\0')).substr(0, datapacket::kFieldWidth);
}

void cutInPlace(std::string& text) { text.resize(storedView(text).size()); }

struct LanguageTableObject {
    bool open = false;
    std::array<bool, kColumnCount> hasColumn{};
    std::vector<Row> rows;
    // Exact-match index on ID: row numbers sorted by ID in byte order. With
    // duplicate IDs (only in a hand-edited file) the first row wins.
    std::vector<std::uint32_t> index;
    // A file whose content the last open found not to be a table, with that
    // content. It is renamed aside before the table is first saved over it.
    struct Unreadable {
        std::string path;
        std::string bytes;
    };
    std::optional<Unreadable> unreadable;

    std::string_view keyOf(std::uint32_t row) const { return rows[row][kID]; }

    void reset(datapacket::Table table) {
        hasColumn = table.hasColumn;
        rows = std::move(table.rows);
        for (auto& row : rows)
            for (auto& field : row) cutInPlace(field);
        index.resize(rows.size());
        std::iota(index.begin(), index.end(), 0u);
        std::stable_sort(index.begin(), index.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return keyOf(a) < keyOf(b); });
        open = true;
    }

    void resetEmpty() {
        datapacket::Table empty;
        empty.hasColumn.fill(true);
        reset(std::move(empty));
    }

    void clear() {
        open = false;
        rows.clear();
        index.clear();
    }

    // Where the key is or would go in the index.
    std::vector<std::uint32_t>::const_iterator lowerBound(std::string_view key) const {
        return std::lower_bound(index.begin(), index.end(), key,
                                [&](std::uint32_t row, std::string_view k) { return keyOf(row) < k; });
    }

    const Row* find(std::string_view key) const {
        key = storedView(key);
        auto it = lowerBound(key);
        return it != index.end() && keyOf(*it) == key ? &rows[*it] : nullptr;
    }

    const std::string& field(const Row& row, std::size_t column) const {
        if (!hasColumn[column]) throw Error(std::string("Field '") + kColumnNames[column] + "' not found");
        return row[column];
    }

    void append(std::string_view key, std::string_view origin) {
        if (!hasColumn[kOriginString]) field(Row{}, kOriginString);  // raises field-not-found
        Row row;
        row[kID] = storedView(key);
        row[kOriginString] = storedView(origin);
        const auto at = lowerBound(row[kID]) - index.begin();
        rows.push_back(std::move(row));
        index.insert(index.begin() + at, static_cast<std::uint32_t>(rows.size() - 1));
    }

    // Rows in index order, as a translator expects to find them in the file.
    std::vector<const Row*> rowsInKeyOrder() const {
        std::vector<const Row*> out;
        out.reserve(index.size());
        for (auto i : index) out.push_back(&rows[i]);
        return out;
    }
};

int gLanguageID = 0;
std::unique_ptr<LanguageTableObject> gTable;
bool gModified = false;
std::string gLibraryPathForTesting;
std::string gHostPathForTesting;

bool tableOpen() { return gTable && gTable->open; }

// The column of the current language; only called with LanguageID 1..3.
std::size_t translationColumn() { return kNewString + static_cast<std::size_t>(gLanguageID) - 1; }

std::size_t afterLastSeparator(std::string_view path) {
    auto pos = path.find_last_of("\\/:");
    return pos == std::string_view::npos ? 0 : pos + 1;
}

// Sets aside the file that the open found unreadable, while it still holds
// what was found then. False when it cannot be told now, or when another
// process has put something else there since; true when the file was set
// aside or is gone.
bool setAsideIfUnchanged(const LanguageTableObject::Unreadable& found) {
    try {
        const auto now = tablefile::readBytes(found.path);
        if (!now) return true;
        if (*now != found.bytes) return false;
        tablefile::setAside(found.path);
        return true;
    } catch (const files::FileError&) {
        return false;
    }
}

}  // namespace

void SetLanguageID(int id) {
    if (id >= 0 && id <= 3) gLanguageID = id;
}

int LanguageID() { return gLanguageID; }

bool LanguageTableModified() { return gModified; }

void SetModulePathsForTesting(const std::string& libraryPath, const std::string& hostPath) {
    gLibraryPathForTesting = libraryPath;
    gHostPathForTesting = hostPath;
}

std::string LanguageTableFileName() {
    const std::string path =
        gLibraryPathForTesting.empty() ? files::libraryModulePath() : gLibraryPathForTesting;
    std::string name = path.substr(afterLastSeparator(path));
    name = name.substr(0, name.find('.'));
    return name + "_str.cds";
}

std::string LanguageTablePath() {
    const std::string host = gHostPathForTesting.empty() ? files::hostExecutablePath() : gHostPathForTesting;
    return host.substr(0, afterLastSeparator(host)) + LanguageTableFileName();
}

void OpenLanguageTable() {
    if (!gTable) gTable = std::make_unique<LanguageTableObject>();
    try {
        CloseLanguageTable();
    } catch (const std::exception&) {
        // The rows collected since the last open cannot be saved; they are
        // dropped. The file on disk is still read below rather than replaced
        // by an empty table at the next save.
        gTable->open = false;
        gModified = false;
    }

    gTable->unreadable.reset();
    gModified = false;
    std::string path;
    std::optional<std::string> bytes;
    try {
        path = LanguageTablePath();
        bytes = tablefile::readBytes(path);
    } catch (const std::exception&) {
        // The file is there but cannot be read now: another process holds it
        // still, access is denied, or the disk fails. That says nothing about
        // its content, so this call does without it: the table stays closed,
        // lookups give the built-in texts, and nothing is collected, set
        // aside or saved over the file. Nothing is reported.
        gTable->clear();
        return;
    }
    try {
        if (bytes)
            gTable->reset(tablefile::parse(path, *bytes));
        else
            gTable->resetEmpty();
    } catch (const std::exception&) {
        // Content that is not a table is not reported: the run goes on with an
        // empty table. The file is kept and set aside before the first save.
        if (bytes) gTable->unreadable = LanguageTableObject::Unreadable{path, std::move(*bytes)};
        gTable->resetEmpty();
    }
}

void SaveLanguageTable() {
    if (!tableOpen() || !gModified) return;
    const std::string path = LanguageTablePath();
    if (auto unreadable = std::exchange(gTable->unreadable, std::nullopt); unreadable && unreadable->path == path) {
        if (!setAsideIfUnchanged(*unreadable)) {
            // The rows of this call are dropped rather than written over a
            // file that may hold another process's table; the next call
            // collects them again.
            gModified = false;
            return;
        }
    }
    tablefile::save(path, gTable->rowsInKeyOrder());
    gModified = false;
}

void CloseLanguageTable() {
    if (!gTable) return;
    SaveLanguageTable();
    gTable->clear();
}

void ReleaseLanguageTable() {
    if (!gTable) return;
    CloseLanguageTable();
    gTable.reset();
}

std::string TranslateByNumber(int number, const std::string& defaultText) {
    if (gLanguageID == 0 || !tableOpen()) return defaultText;
    const Row* row = gTable->find(std::to_string(number));
    if (!row) return defaultText;
    const std::string& text = gTable->field(*row, translationColumn());
    return isBlank(text) ? defaultText : text;
}

std::string TranslateByKey(const std::string& key, const std::string& defaultText) {
    std::string result;
    if (tableOpen()) {
        if (const Row* row = gTable->find(key)) {
            result = gLanguageID == 0 ? defaultText : gTable->field(*row, translationColumn());
        } else if (!isBlank(defaultText)) {
            gTable->append(key, defaultText);
            gModified = true;
        }
    }
    return isBlank(result) ? defaultText : result;
}

void SeedNumberedStrings(std::span<const std::string> texts, int highestIndex) {
    if (!tableOpen() || highestIndex < 0) return;
    const std::size_t last = std::min(static_cast<std::size_t>(highestIndex) + 1, texts.size());
    for (std::size_t i = 0; i < last; ++i) {
        const std::string key = std::to_string(i);
        if (gTable->find(key)) continue;
        gTable->append(key, texts[i]);
        gModified = true;
    }
}

}  // namespace qx
