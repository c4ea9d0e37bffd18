#include "duty/duty_messages.h"

namespace qx {

// GBK bytes; the trailing "!" is the ASCII one. Messages 6, 7 and 9 take the
// employee's name for their one "%s".
const std::array<std::string, kDutyMessageCount> DutyMessages{
    "\xb4\xed\xce\xf3",                                  // 错误  Error
    "\xd4\xb1\xb9\xa4\xc9\xcf\xb0\xe0",                  // 员工上班  Staff clock-in
    "\xd4\xb1\xb9\xa4\xcf\xc2\xb0\xe0",                  // 员工下班  Staff clock-out
    // 没有设置Vantolo当前工作日期!  The current working date of Vantolo has not been set!
    "\xc3\xbb\xd3\xd0\xc9\xe8\xd6\xc3Vantolo\xb5\xb1\xc7\xb0\xb9\xa4\xd7\xf7\xc8\xd5\xc6\xda!",
    "\xca\xe4\xc8\xeb\xbe\xdc\xbe\xf8",                  // 输入拒绝  Input rejected
    // 找不到该员工编号!  This employee number cannot be found!
    "\xd5\xd2\xb2\xbb\xb5\xbd\xb8\xc3\xd4\xb1\xb9\xa4\xb1\xe0\xba\xc5!",
    "%s\xd2\xd1\xbe\xad\xd3\xd0\xc9\xcf\xb0\xe0\xca\xb1\xbc\xe4!",  // %s已经有上班时间!  %s already has a clock-in time!
    "%s\xbb\xb9\xc3\xbb\xd3\xd0\xc9\xcf\xb0\xe0\xca\xb1\xbc\xe4!",  // %s还没有上班时间!  %s has no clock-in time yet!
    "\xd2\xd1\xb4\xe6\xb4\xa2",                          // 已存储  Stored
    "%s\xd2\xd1\xbe\xad\xd3\xd0\xcf\xc2\xb0\xe0\xca\xb1\xbc\xe4!",  // %s已经有下班时间!  %s already has a clock-out time!
};

}  // namespace qx
