// Measures one host call's work on a large table: open a 10,000-row file,
// look up every key, append one row, save. Prints the times it measured.
// Usage: localisation_table_benchmark [runs]
#include "localisation/datapacket.h"
#include "localisation/language_table.h"
#include "localisation/table_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const fs::path folder = fs::temp_directory_path() / ("qxtable-bench-" + std::to_string(::time(nullptr)));
    fs::create_directories(folder);
    qx::SetModulePathsForTesting("qxempduty.dll", (folder / "host.exe").string());
    const std::string path = qx::LanguageTablePath();

    std::vector<qx::datapacket::Row> rows;
    for (int i = 0; i < 10000; ++i) {
        char key[64];
        std::snprintf(key, sizeof key, "tfform%04d.component%d.caption", i / 10, i % 10);
        rows.push_back({key, "\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0 " + std::to_string(i), "Staff on duty",
                        "Personal im Dienst", ""});
    }

    struct Times {
        double open, lookups, append, save, total;
    };
    std::vector<Times> all;
    std::size_t fileSize = 0;
    for (int run = 0; run < runs; ++run) {
        qx::tablefile::save(path, rows);
        fileSize = fs::file_size(path);
        qx::SetLanguageID(1);
        const auto t0 = Clock::now();
        qx::OpenLanguageTable();
        const auto t1 = Clock::now();
        std::size_t translated = 0;
        for (const auto& row : rows) translated += qx::TranslateByKey(row[0], row[1]) == row[2];
        const auto t2 = Clock::now();
        qx::TranslateByKey("tfnewform.caption", "New form");
        const auto t3 = Clock::now();
        qx::ReleaseLanguageTable();
        const auto t4 = Clock::now();
        if (translated != rows.size()) {
            std::fprintf(stderr, "benchmark: only %zu of %zu keys translated\n", translated, rows.size());
            return 1;
        }
        all.push_back({ms(t1 - t0), ms(t2 - t1), ms(t3 - t2), ms(t4 - t3), ms(t4 - t0)});
    }
    fs::remove_all(folder);

    std::sort(all.begin(), all.end(), [](const Times& a, const Times& b) { return a.total < b.total; });
    const Times& median = all[all.size() / 2];
    std::printf("10000-row table file, %zu bytes, %d runs\n", fileSize, runs);
    std::printf("median run: open %.2f ms, 10000 lookups %.2f ms, append %.3f ms, save %.2f ms, total %.2f ms\n",
                median.open, median.lookups, median.append, median.save, median.total);
    std::printf("fastest run: %.2f ms, slowest run: %.2f ms\n", all.front().total, all.back().total);
    return 0;
}
