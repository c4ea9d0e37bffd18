// Shared helpers of the translation table tests: a private folder per test
// that the table treats as the host executable's folder.
#pragma once

#include "localisation/file_system.h"
#include "localisation/language_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace qxtest {

namespace fs = std::filesystem;

inline std::string readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("qxtable-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Points the table at a host executable in a fresh folder and a library file
// "qxempduty.dll" in a sub-folder of its own, so the file is
// <folder>/qxempduty_str.cds. Resets the library-wide state around each test.
class TableFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder.path() / "lib");
        qx::SetModulePathsForTesting((folder.path() / "lib" / "qxempduty.dll").string(),
                                     (folder.path() / "host.exe").string());
        qx::SetLanguageID(0);
    }
    void TearDown() override {
        qx::files::SetFaultInjectorForTesting({});
        try {
            qx::ReleaseLanguageTable();
        } catch (...) {
            // A test left a save failing: let the pending rows go to a scratch
            // folder rather than into the next test's table.
            fs::create_directories(folder.path() / "scratch");
            qx::SetModulePathsForTesting("qxempduty.dll", (folder.path() / "scratch" / "host.exe").string());
            qx::ReleaseLanguageTable();
        }
        qx::SetModulePathsForTesting("", "");
        qx::SetLanguageID(0);
    }
    fs::path tableFile() const { return folder.path() / "qxempduty_str.cds"; }

    // The names of the files in the folder other than the table file, such
    // as set-aside or temporary files.
    std::vector<std::string> otherFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.path()))
            if (entry.is_regular_file() && entry.path() != tableFile()) names.push_back(entry.path().filename().string());
        return names;
    }

    TempFolder folder;
};

}  // namespace qxtest
