// The table file while other handles hold it, with the platform's own
// sharing and locking rules: the handles stand for other processes (the
// rules are the same for two handles of one process).
#include <windows.h>

#include "common/owned_handle_win.h"
#include "localisation/language_table.h"
#include "localisation/table_file.h"
#include "table_test_support.h"

#include <chrono>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace qxtest;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using qx::test::OwnedHandle;

// Holds a handle from now and closes it after `hold` from a second thread,
// as another process that finishes its work would.
class HeldElsewhere {
public:
    HeldElsewhere(OwnedHandle handle, std::chrono::milliseconds hold)
        : handle_(std::move(handle)), closer_([this, hold] {
              std::this_thread::sleep_for(hold);
              handle_.reset();
          }) {}
    HeldElsewhere(const HeldElsewhere&) = delete;
    HeldElsewhere& operator=(const HeldElsewhere&) = delete;
    ~HeldElsewhere() { closer_.join(); }

private:
    OwnedHandle handle_;
    std::thread closer_;
};

OwnedHandle openWithSharing(const fs::path& path, DWORD share) {
    return OwnedHandle(CreateFileA(path.string().c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class SharingRules : public TableFolderTest {
protected:
    void writeTranslatedFile() { qx::tablefile::save(tableFile().string(), {{"1", "m1", "one", "", ""}}); }
};

// Wine lets a read through a region another handle has locked, so locks are
// left to the tests at the file-system seam.
TEST_F(SharingRules, AFileOpenedWithoutSharingIsReadOnceFreeAndLeftAloneWhileNot) {
    const struct {
        const char* what;
        std::chrono::milliseconds holdFor;
        bool translated;
    } cases[] = {
        {"for a moment", 300ms, true},
        {"for long", 2500ms, false},
    };
    writeTranslatedFile();
    const std::string before = readBytes(tableFile());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        qx::SetLanguageID(1);
        long long tookMs = 0;
        {
            OwnedHandle handle = openWithSharing(tableFile(), 0);
            ASSERT_TRUE(handle);
            HeldElsewhere other(std::move(handle), c.holdFor);
            const auto start = Clock::now();
            qx::OpenLanguageTable();
            tookMs = msSince(start);
            EXPECT_EQ(qx::TranslateByNumber(1, "m1"), c.translated ? "one" : "m1");
            qx::SeedNumberedStrings(std::vector<std::string>(10, "m"), 9);
            EXPECT_EQ(qx::LanguageTableModified(), c.translated);
            if (!c.translated) {
                EXPECT_NO_THROW(qx::ReleaseLanguageTable());
            }
        }
        EXPECT_GE(tookMs, c.translated ? 250 : 900);
        EXPECT_LT(tookMs, c.translated ? 1500 : 2400);
        if (!c.translated) {
            EXPECT_EQ(readBytes(tableFile()), before) << "neither saved over nor set aside";
            EXPECT_EQ(otherFiles(), std::vector<std::string>{});
        } else {
            qx::ReleaseLanguageTable();
            writeTranslatedFile();
        }
    }
}

TEST_F(SharingRules, AReaderWithoutLeaveToDeleteDelaysTheReplaceForAboutASecond) {
    // An older reader opens the file sharing reading only, so it cannot be
    // replaced until that reader is done.
    const struct {
        std::chrono::milliseconds holdFor;
        bool saved;
    } cases[] = {{300ms, true}, {2500ms, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.holdFor.count());
        writeTranslatedFile();
        qx::OpenLanguageTable();
        qx::SeedNumberedStrings(std::vector<std::string>(10, "m"), 9);
        long long tookMs = 0;
        bool failed = false;
        {
            OwnedHandle handle(CreateFileA(tableFile().string().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(handle);
            HeldElsewhere reader(std::move(handle), c.holdFor);
            const auto start = Clock::now();
            try {
                qx::SaveLanguageTable();
            } catch (const qx::Error& e) {
                failed = true;
                EXPECT_NE(e.message().find(tableFile().string()), std::string::npos) << e.message();
            }
            tookMs = msSince(start);
        }
        EXPECT_EQ(failed, !c.saved);
        EXPECT_GE(tookMs, c.saved ? 250 : 900);
        EXPECT_LT(tookMs, c.saved ? 1500 : 2400);
        EXPECT_EQ(qx::tablefile::load(tableFile().string())->rows.size(), c.saved ? 10u : 1u);
        EXPECT_EQ(otherFiles(), std::vector<std::string>{}) << "no temporary file left";
        qx::ReleaseLanguageTable();  // the reader is gone: the pending rows are saved now
        EXPECT_EQ(qx::tablefile::load(tableFile().string())->rows.size(), 10u);
    }
}

}  // namespace
