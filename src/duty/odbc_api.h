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

// Every ODBC call goes through here. SQL_ERROR and SQL_INVALID_HANDLE become a
// DbError carrying the handle's first diagnostic record; every other return
// code (success, success with info, no data) is handed back to the caller.
SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, std::string_view call);

}  // namespace qx::odbc
