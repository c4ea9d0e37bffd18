// Whether a statement from the server's log only reads: a select, or a
// session setting the driver makes at connect.
#pragma once

#include <regex>
#include <string>

namespace sitecheck::test {

inline bool onlyReads(const std::string& statement) {
    static const std::regex read(R"(^\s*(select|set|show)\b)", std::regex::icase);
    static const std::regex write(R"(\b(insert|update|delete|create|drop|alter|truncate|grant|into)\b)",
                                  std::regex::icase);
    return std::regex_search(statement, read) && !std::regex_search(statement, write);
}

}  // namespace sitecheck::test
