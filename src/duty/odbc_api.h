// The platform's ODBC declarations, for the sources that call ODBC directly.
// The Windows headers of ODBC use the Windows base types without declaring
// them, so <windows.h> has to come first there. UNICODE stays undefined: the
// unsuffixed names are the ANSI entry points on both platforms.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>

#include <string_view>

namespace qx::odbc {

// Every ODBC call goes through here. Success, success with info and no data
// are handed back to the caller; SQL_ERROR becomes a DbError carrying the
// handle's first diagnostic record; any other code (an invalid handle, a code
// of a feature never used, a value ODBC does not define) is a DbError naming
// the call and the code.
SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, std::string_view call);

}  // namespace qx::odbc
