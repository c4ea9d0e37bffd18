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
    // An unreadable file found at this path by the last open; it is renamed
    // aside before the table is first saved over it.
    std::optional<std::string> unreadableFile;

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

    std::string path;
    try {
        path = LanguageTablePath();
        gTable->unreadableFile.reset();
        if (auto table = tablefile::load(path))
            gTable->reset(std::move(*table));
        else
            gTable->resetEmpty();
    } catch (const std::exception&) {
        // An unreadable file is not reported: the run goes on with an empty
        // table. The file is kept and set aside before the first save.
        if (!path.empty() && files::isRegularFile(path)) gTable->unreadableFile = path;
        gTable->resetEmpty();
    }
    gModified = false;
}

void SaveLanguageTable() {
    if (!tableOpen() || !gModified) return;
    const std::string path = LanguageTablePath();
    if (gTable->unreadableFile == path && files::isRegularFile(path)) tablefile::setAside(path);
    gTable->unreadableFile.reset();
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
