// The built-in messages decoded from code page 936 with the C library's
// converter and compared with their Chinese texts.
#include <gtest/gtest.h>

#include <iconv.h>

#include "duty/duty_messages.h"

namespace {

std::string gbkToUtf8(const std::string& gbk) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in = gbk;
    std::string out(in.size() * 3 + 1, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(rc, static_cast<size_t>(-1)) << "not valid GBK";
    out.resize(out.size() - outLeft);
    return out;
}

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
        EXPECT_EQ(gbkToUtf8(qx::DutyMessages[n]), expected[n]);
    }
    // The exclamation mark is the one-byte ASCII one.
    for (int n : {3, 5, 6, 7, 9}) {
        EXPECT_EQ(qx::DutyMessages[n].back(), '!');
    }
}

}  // namespace
