// The built-in messages decoded from code page 936 by the platform's own
// converter and compared with their Chinese texts.
#include <gtest/gtest.h>

#include "duty/duty_messages.h"
#include "gbk_decode.h"

namespace {

TEST(DutyMessages, AreTheChineseTextsInCodePage936) {
    const char* expected[qx::kDutyMessageCount] = {
        "错误",
        "员工上班",
        "员工下班",
        "没有设置Vantolo当前工作日期!",
        "输入拒绝",
        "找不到该员工编号!",
        "%s已经有上班时间!",
        "%s还没有上班时间!",
        "已存储",
        "%s已经有下班时间!",
    };
    for (int n = 0; n < qx::kDutyMessageCount; ++n) {
        SCOPED_TRACE(n);
        std::optional<std::string> utf8 = qx::test::gbkToUtf8(qx::DutyMessages[n]);
        ASSERT_TRUE(utf8) << "not valid GBK";
        EXPECT_EQ(*utf8, expected[n]);
    }
    // The exclamation mark is the one-byte ASCII one.
    for (int n : {3, 5, 6, 7, 9}) {
        EXPECT_EQ(qx::DutyMessages[n].back(), '!');
    }
}

}  // namespace
