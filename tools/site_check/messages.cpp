#include "site_check/messages.h"

#include <array>

namespace qx::sitecheck {

namespace {

struct Entry {
    Msg msg;
    const char* english;
    const char* chinese;  // UTF-8
};

constexpr std::size_t kCount = static_cast<std::size_t>(Msg::Count_);

// clang-format off
constexpr std::array<Entry, kCount> kEntries{{
    {Msg::Usage,
     "usage: qxcheck [DATASOURCE] [--table FILE]\n"
     "Checks what the clock-in library needs of this computer and of the host's database:\n"
     "the ODBC data source (default: dinoraasa), the login, HotelOption and GetDate(),\n"
     "the columns of HotelUser_V and OnDuty, the card numbers and, with --table, the\n"
     "translation table file. Nothing is written to the database.\n"
     "Exit codes: 0 all checks OK, 1 a problem was found, 2 bad usage.\n",
     "用法: qxcheck [数据源] [--table 文件]\n"
     "检查上下班打卡库对本机和主程序数据库的要求:\n"
     "ODBC 数据源(默认 dinoraasa)、登录、HotelOption 和 GetDate()、\n"
     "HotelUser_V 和 OnDuty 的列、卡号,以及(用 --table 时)翻译表文件。不向数据库写入任何内容。\n"
     "退出码: 0 全部正常, 1 发现问题, 2 用法错误。\n"},
    {Msg::UsageError, "qxcheck: {0}", "qxcheck: {0}"},
    {Msg::UsageTableFile, "--table needs a file name", "--table 后面需要文件名"},
    {Msg::UsageTableTwice, "--table is given twice", "--table 给了两次"},
    {Msg::UsageUnknownOption, "unknown option {0}", "未知选项 {0}"},
    {Msg::UsageTwoSources, "one data source only, not \"{0}\" and \"{1}\"", "只能给一个数据源, 不能同时给 \"{0}\" 和 \"{1}\""},
    {Msg::DsnDefinedWidth, "data source \"{0}\" is defined for {1}-bit programs",
     "数据源 \"{0}\" 已为 {1} 位程序定义"},
    {Msg::DsnDefined, "data source \"{0}\" is defined", "数据源 \"{0}\" 已定义"},
    {Msg::DsnMissingWidth,
     "data source \"{0}\" is not defined for {1}-bit programs, which the library and this check are; "
     "defined for them: {2}. Define it with the {1}-bit ODBC administrator ({3})",
     "数据源 \"{0}\" 没有为 {1} 位程序定义(本库和本检查程序都是 {1} 位); "
     "已为其定义的: {2}。请用 {1} 位 ODBC 管理器({3})定义它"},
    {Msg::DsnMissing,
     "data source \"{0}\" is not defined; defined: {1}. Add it to the ODBC settings (odbc.ini)",
     "数据源 \"{0}\" 没有定义; 已定义的: {1}。请把它加入 ODBC 设置(odbc.ini)"},
    {Msg::DsnListFailed, "the ODBC data sources cannot be listed: {0}", "无法列出 ODBC 数据源: {0}"},
    {Msg::OdbcAdmin32, "%SystemRoot%\\SysWOW64\\odbcad32.exe on 64-bit Windows, System32 on 32-bit Windows",
     "64 位 Windows 上为 %SystemRoot%\\SysWOW64\\odbcad32.exe, 32 位 Windows 上在 System32 中"},
    {Msg::OdbcAdmin64, "%SystemRoot%\\System32\\odbcad32.exe", "%SystemRoot%\\System32\\odbcad32.exe 程序"},
    {Msg::DsnNone, "none", "无"},
    {Msg::OdbcMissing, "the ODBC driver manager cannot be used: {0}", "无法使用 ODBC 驱动程序管理器: {0}"},
    {Msg::ConnectOk, "connected to \"{0}\" as the library does (user dba)",
     "已按本库的方式连接到 \"{0}\"(用户 dba)"},
    {Msg::ConnectFailed, "cannot connect to \"{0}\": {1} {2}", "无法连接到 \"{0}\": {1} {2}"},
    {Msg::HintUnknownSource,
     "The driver manager does not know the data source: define it for {0}-bit programs",
     "驱动程序管理器不认识该数据源: 请为 {0} 位程序定义它"},
    {Msg::HintUnknownSourceNoWidth, "The driver manager does not know the data source: define it in the ODBC settings",
     "驱动程序管理器不认识该数据源: 请在 ODBC 设置中定义它"},
    {Msg::HintNoReason,
     "The driver manager gave no reason; that usually means the data source is not defined for {0}-bit programs",
     "驱动程序管理器没有给出原因; 这通常表示该数据源没有为 {0} 位程序定义"},
    {Msg::HintUnreachable,
     "The database server cannot be reached: start it, or correct the server and port in the data source",
     "无法到达数据库服务器: 请启动它, 或更正数据源中的服务器和端口"},
    {Msg::HintLoginRefused,
     "The server refused the login: the library always logs in as user dba with its built-in password; "
     "give that login that password on the server",
     "服务器拒绝了登录: 本库总是以用户 dba 和内置密码登录; 请在服务器上为该登录设置此密码"},
    {Msg::HintOther, "See the driver's message", "请参看驱动程序的消息"},
    {Msg::NotCheckedNoConnection, "{0}: not checked, there is no connection", "{0}: 没有连接, 未检查"},
    {Msg::WhatClock, "HotelOption and GetDate()", "HotelOption 和 GetDate()"},
    {Msg::WhatColumns, "columns of HotelUser_V and OnDuty", "HotelUser_V 和 OnDuty 的列"},
    {Msg::WhatCards, "card numbers", "卡号"},
    {Msg::OptionRows, "HotelOption has {0} row(s)", "HotelOption 有 {0} 行"},
    {Msg::OptionEmpty,
     "HotelOption has no row: the library finds no business date and refuses every card; add one row",
     "HotelOption 没有行: 本库找不到营业日期, 会拒绝所有卡; 请加入一行"},
    {Msg::OptionUnreadable, "HotelOption cannot be read: {0}", "无法读取 HotelOption: {0}"},
    {Msg::GetDateOk, "GetDate() answers", "GetDate() 有应答"},
    {Msg::GetDateFailed,
     "GetDate() does not answer: {0} The database must offer a function GetDate() that gives the server's date and time",
     "GetDate() 没有应答: {0} 数据库必须提供给出服务器日期和时间的函数 GetDate()"},
    {Msg::GetDateNull,
     "GetDate() answers null: the library finds no business date and refuses every card",
     "GetDate() 返回空值: 本库找不到营业日期, 会拒绝所有卡"},
    {Msg::GetDateNotDate, "GetDate() answers \"{0}\", which the library cannot read as a date and time",
     "GetDate() 返回 \"{0}\", 本库无法把它读作日期和时间"},
    {Msg::GetDateNotAsked, "GetDate(): not asked, HotelOption gives no row to ask it with",
     "GetDate(): HotelOption 没有可用的行, 未询问"},
    {Msg::ClockInfo,
     "server time {0}; this computer's clock {1} (for information: the library takes all times from the server)",
     "服务器时间 {0}; 本机时钟{1}(仅供参考: 本库的所有时间都取自服务器)"},
    {Msg::ClockAhead, "is {0} s ahead of it", "比它快 {0} 秒"},
    {Msg::ClockBehind, "is {0} s behind it", "比它慢 {0} 秒"},
    {Msg::ClockSame, "shows the same time", "与它相同"},
    {Msg::ColumnsOk, "{0} has the columns the library uses: {1}", "{0} 有本库使用的列: {1}"},
    {Msg::ColumnsUnreadable, "{0} cannot be read: {1}", "无法读取 {0}: {1}"},
    {Msg::ColumnMissing, "{0} has no column {1}, which the library reads: add it",
     "{0} 没有本库读取的列 {1}: 请加上它"},
    {Msg::ColumnNotText,
     "{0}.{1} is {2}, but the library writes {3} into it as text: make it a character column of at least {4} characters",
     "{0}.{1} 是 {2}, 但本库以文本写入{3}: 请改为至少 {4} 个字符的字符列"},
    {Msg::ColumnTooShort,
     "{0}.{1} is {2}, too short for {3}: make it at least {4} characters",
     "{0}.{1} 是 {2}, 容纳不下{3}: 请改为至少 {4} 个字符"},
    {Msg::ColumnNotDateTime,
     "{0}.{1} is {2}, but the library writes the server's date and time into it: make it a date-time column",
     "{0}.{1} 是 {2}, 但本库写入服务器的日期和时间: 请改为日期时间列"},
    {Msg::ColumnNoNull,
     "{0}.{1} does not accept null, which a clock-in writes into it: allow null",
     "{0}.{1} 不接受空值, 而上班打卡会写入空值: 请允许空值"},
    {Msg::PurposeNone, "its value", "它的值"},
    {Msg::PurposeDate, "the business date (YYYY-MM-DD, 10 characters)", "营业日期(YYYY-MM-DD, 10 个字符)"},
    {Msg::PurposeUserId, "the employee's number (4 characters)", "员工编号(4 个字符)"},
    {Msg::PurposeUserName, "the employee's name (10 characters)", "员工姓名(10 个字符)"},
    {Msg::PurposePassNo, "the pass number (30 characters)", "通行证号(30 个字符)"},
    {Msg::CardsOk, "card numbers: {0} employee(s) with an access code, no card finds two of them",
     "卡号: {0} 名员工有门禁码, 没有一张卡会找到其中两人"},
    {Msg::CardShared,
     "access code \"{0}\" is shared by {1}: a card finds only one of them; give each employee a code of their own",
     "门禁码 \"{0}\" 由 {1} 共用: 一张卡只会找到其中一人; 请给每名员工各自的门禁码"},
    {Msg::CardFramed,
     "access codes \"{0}\" and \"{1}\" are one card with and without its ;...? frame: {2}; "
     "a card finds only one of them; give each employee a code of their own",
     "门禁码 \"{0}\" 和 \"{1}\" 去掉 ;...? 框后是同一张卡: {2}; 一张卡只会找到其中一人; 请给每名员工各自的门禁码"},
    {Msg::CardsUnreadable, "the access codes of HotelUser_V cannot be read: {0}",
     "无法读取 HotelUser_V 的门禁码: {0}"},
    {Msg::TableOk,
     "table file {0} opens: {1} row(s); translated texts: NewString {2}, NewString2 {3}, NewString3 {4}",
     "翻译表文件 {0} 可以打开: {1} 行; 已翻译文本: NewString {2}, NewString2 {3}, NewString3 {4}"},
    {Msg::TableMissing,
     "there is no table file {0}: the library would start an empty one there",
     "没有翻译表文件 {0}: 本库会在那里新建一个空表"},
    {Msg::TableUnreadable,
     "table file {0} cannot be read: {1}; the library would start with an empty table and set the file aside",
     "无法读取翻译表文件 {0}: {1}; 本库会以空表开始并把该文件另存到一边"},
    {Msg::TableColumnMissing, "table file {0} has no column {1}: every lookup in that column fails",
     "翻译表文件 {0} 没有列 {1}: 在该列中的每次查找都会失败"},
    {Msg::FolderWritable, "folder {0} takes new files: the library can save the texts it collects",
     "文件夹 {0} 可以写入: 本库能保存它收集的文本"},
    {Msg::FolderNotWritable,
     "cannot write in folder {0}: {1}; the library could not save the texts it collects: allow writing there",
     "无法写入文件夹 {0}: {1}; 本库无法保存它收集的文本: 请允许写入"},
    {Msg::CheckFailed, "{0}: the check itself failed: {1}", "{0}: 检查本身失败: {1}"},
    {Msg::SummaryOk, "{0} checks, all OK", "共 {0} 项检查, 全部正常"},
    {Msg::SummaryProblems, "{0} checks, {1} with a problem", "共 {0} 项检查, {1} 项有问题"},
}};
// clang-format on

constexpr bool entriesInOrder() {
    for (std::size_t i = 0; i < kCount; ++i)
        if (static_cast<std::size_t>(kEntries[i].msg) != i) return false;
    return true;
}
static_assert(entriesInOrder(), "one entry per message, in the order of Msg");

}  // namespace

std::string fill(std::string_view pattern, const Args& args) {
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '{' && i + 1 < pattern.size() && pattern[i + 1] == '{') {
            out += '{';
            ++i;
            continue;
        }
        if (c == '{') {
            std::size_t close = pattern.find('}', i);
            std::size_t index = 0;
            bool number = close != std::string_view::npos && close > i + 1 && close - i <= 3;
            for (std::size_t k = i + 1; number && k < close; ++k) {
                if (pattern[k] < '0' || pattern[k] > '9') number = false;
                else index = index * 10 + static_cast<std::size_t>(pattern[k] - '0');
            }
            if (number && index < args.size()) {
                out += args[index];
                i = close;
                continue;
            }
        }
        out += c;
    }
    return out;
}

Texts::Texts(Language language, const ToAnsi& toAnsi) {
    if (language != Language::Chinese || !toAnsi) return;
    std::vector<std::string> chinese;
    chinese.reserve(kCount);
    for (const Entry& e : kEntries) {
        std::optional<std::string> ansi = toAnsi(e.chinese);
        if (!ansi) return;
        chinese.push_back(std::move(*ansi));
    }
    chinese_ = std::move(chinese);
    language_ = Language::Chinese;
}

std::string Texts::operator()(Msg msg, const Args& args) const {
    const auto i = static_cast<std::size_t>(msg);
    return fill(language_ == Language::Chinese ? std::string_view(chinese_[i]) : kEntries[i].english, args);
}

}  // namespace qx::sitecheck
