#include "entry/duty_call.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/error.h"

namespace {

using Steps = std::vector<std::string>;

// Records every stage it is asked to run; fails the stage named in `failAt`
// with a library error (or a foreign exception when `foreign` is set).
class RecordingStages : public qx::DutyCallStages {
public:
    std::string failAt;
    bool foreign = false;
    Steps steps;
    std::string connectedTo = "<never>";

    void registerCaptionInfos() override { step("register"); }
    void openLanguageTable() override { step("open-table"); }
    void seedNumberedStrings() override { step("seed"); }
    void openDutyModule() override { step("open-module"); }
    void connectDatabase(const std::string& name) override {
        connectedTo = name;
        step("connect");
    }
    void showDutyDialog(bool onDuty) override { step(onDuty ? "dialog-on" : "dialog-off"); }
    void closeDutyModule() override { step("close-module"); }
    void freeCaptionRegistry() override { step("free-registry"); }
    void releaseLanguageTable() override { step("release-table"); }
    void showError(const std::string& text, const std::string& title) override {
        steps.push_back("error[" + title + "]: " + text);
    }
    std::string errorTitle() override {
        steps.push_back("title");
        return "T";
    }

private:
    void step(const std::string& name) {
        steps.push_back(name);
        if (name != failAt) return;
        if (foreign) throw std::logic_error("foreign " + name);
        throw qx::Error("failed " + name);
    }
};

const Steps kSetup = {"register", "open-table", "seed", "open-module"};
const Steps kCleanup = {"close-module", "free-registry", "release-table"};

Steps join(std::initializer_list<Steps> parts) {
    Steps all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(DutyCall, SuccessfulCallBuildsUsesAndReleasesInOrder) {
    RecordingStages on, off;
    qx::RunDutyCall(on, "hotel", true);
    qx::RunDutyCall(off, "hotel", false);
    EXPECT_EQ(on.steps, join({kSetup, {"connect", "dialog-on"}, kCleanup}));
    EXPECT_EQ(off.steps, join({kSetup, {"connect", "dialog-off"}, kCleanup}));
    EXPECT_EQ(on.connectedTo, "hotel");
}

TEST(DutyCall, NullNameIsTheEmptyText) {
    RecordingStages stages;
    qx::RunDutyCall(stages, nullptr, true);
    EXPECT_EQ(stages.connectedTo, "");
}

struct FailureCase {
    std::string failAt;
    Steps expected;
};

class DutyCallFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(DutyCallFailure, ErrorIsShownAfterTheCleanupWhereItIsArmed) {
    RecordingStages stages;
    stages.failAt = GetParam().failAt;
    qx::RunDutyCall(stages, "x", true);
    EXPECT_EQ(stages.steps, GetParam().expected);
}

const std::string kShown = "error[T]: failed ";

INSTANTIATE_TEST_SUITE_P(
    EveryStage, DutyCallFailure,
    testing::Values(
        // Before the cleanup is armed: no cleanup, the error is shown at once.
        FailureCase{"register", {"register", "title", kShown + "register"}},
        FailureCase{"open-table", {"register", "open-table", "title", kShown + "open-table"}},
        FailureCase{"seed", {"register", "open-table", "seed", "title", kShown + "seed"}},
        FailureCase{"open-module", join({kSetup, {"title", kShown + "open-module"}})},
        // Armed: the whole cleanup runs first.
        FailureCase{"connect", join({kSetup, {"connect"}, kCleanup, {"title", kShown + "connect"}})},
        FailureCase{"dialog-on",
                    join({kSetup, {"connect", "dialog-on"}, kCleanup, {"title", kShown + "dialog-on"}})},
        // An error inside the cleanup ends it there and is the one reported.
        FailureCase{"close-module",
                    join({kSetup, {"connect", "dialog-on", "close-module", "title", kShown + "close-module"}})},
        FailureCase{"release-table",
                    join({kSetup, {"connect", "dialog-on"}, kCleanup, {"title", kShown + "release-table"}})}),
    [](const auto& info) {
        std::string name = info.param.failAt;
        for (char& c : name)
            if (c == '-') c = '_';
        return name;
    });

TEST(DutyCall, CleanupErrorReplacesTheEarlierError) {
    class Both : public RecordingStages {
        void connectDatabase(const std::string&) override { throw qx::Error("no server"); }
        void releaseLanguageTable() override { throw qx::Error("disk full"); }
    } stages;
    qx::RunDutyCall(stages, "x", true);
    ASSERT_FALSE(stages.steps.empty());
    EXPECT_EQ(stages.steps.back(), "error[T]: disk full");
}

TEST(DutyCall, ForeignExceptionStillCleansUpAndIsNotReported) {
    RecordingStages stages;
    stages.failAt = "dialog-on";
    stages.foreign = true;
    qx::RunDutyCall(stages, "x", true);  // noexcept: must not terminate
    EXPECT_EQ(stages.steps, join({kSetup, {"connect", "dialog-on"}, kCleanup}));
}

TEST(DutyCall, FailingErrorBoxDoesNotEscape) {
    class BrokenBox : public RecordingStages {
        void connectDatabase(const std::string&) override { throw qx::Error("no server"); }
        void showError(const std::string&, const std::string&) override { throw qx::Error("no window"); }
    } stages;
    qx::RunDutyCall(stages, "x", true);
    EXPECT_EQ(stages.steps, join({kSetup, kCleanup, {"title"}}));
}

}  // namespace
