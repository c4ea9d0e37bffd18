// A connection to the test cluster whose session sees its own private copies
// of the host's tables (temporary tables shadow the real ones), so that test
// programs running side by side never see each other's rows.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "duty/duty_module.h"

namespace qx::test {

// Data source of the test cluster besides "dinoraasa".
inline constexpr const char* kTestDataSource = "qxtest";

// Runs statements that return no rows.
void run(Query& query, std::initializer_list<std::string> statements);
// The first column of the first row of a select, or "<eof>" / "<null>".
std::string scalar(Query& query, const std::string& sql);

// Creates the session's private HotelOption (one row), HotelUser_V, OnDuty
// and TestClock. GetDate() reads the private TestClock.
void createScratchTables(Query& query);

// The server process behind a query's connection.
std::string backendPid(Query& query);

// True when the server no longer has a session with that process id,
// asked over `observer`; waits up to five seconds for it to go.
bool sessionGone(Query& observer, const std::string& pid);

// The statements the server logged for the session with that process id,
// in order, with the server's parameter markers ($1, $2, ...) written as ?.
std::vector<std::string> loggedStatements(const std::string& pid);

}  // namespace qx::test
