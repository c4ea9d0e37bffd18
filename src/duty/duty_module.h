// The database module of the duty dialogs: one ODBC connection to the host's
// data source and the queries the clock-in/clock-out transaction runs on.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "duty/odbc.h"
#include "duty/odbc_query.h"

namespace qx {

// The data source used when the host names none.
inline constexpr const char* kDefaultDataSource = "dinoraasa";

// The login the library always uses, with "%s" for the data source name.
inline constexpr const char* kConnectionStringTemplate =
    "Provider=MSDASQL.1;Password=KRe7tmqB;Persist Security Info=True;User ID=dba;Data Source=%s";

// The template filled with a data source name, inserted as it is.
std::string buildConnectionString(std::string_view dataSource);

// Turns the connection string above (";"-separated key=value pairs) into an
// ODBC one: "Data Source" gives DSN, "User ID" UID, "Password" PWD; the
// other keys (provider and its settings) have no ODBC counterpart.
std::string odbcConnectionString(std::string_view connectionString);

class TdmDuty {
public:
    // Creates the connection (not connected) and the two queries on it.
    // Raises DbError when ODBC is not available.
    TdmDuty();
    // Runs DataModuleDestroy: the connection closes before anything is freed.
    ~TdmDuty();
    TdmDuty(const TdmDuty&) = delete;
    TdmDuty& operator=(const TdmDuty&) = delete;

    // Connects to the named data source ("dinoraasa" when the name is empty)
    // as the library's database user. Raises DbError with the driver's text.
    void ConnectDatabase(const std::string& name);
    // Disconnects and connects again with the same connection string, for a
    // connection the server has dropped.
    void reconnect();
    void DataModuleDestroy(TdmDuty& sender);

    const std::string& DataSourceName() const { return dataSourceName_; }
    const std::string& connectionString() const { return connectionString_; }

    odbc::Connection ac1;
    OdbcQuery qGetData{ac1};
    OdbcQuery qSetData{ac1};

private:
    std::string dataSourceName_;
    std::string connectionString_;
};

// The one module of a run, or none. Only OpenDutyModule and CloseDutyModule
// change it.
extern std::unique_ptr<TdmDuty> dmDuty;

// Makes sure the module exists; the first call initialises COM for the
// calling thread (single-threaded apartment).
void OpenDutyModule();
// Frees the module if there is one, then uninitialises COM. Without a module
// it does nothing at all.
void CloseDutyModule();

// How the module reaches COM. Tests replace these to watch the calls; on
// Windows they default to CoInitialize/CoUninitialize, elsewhere to nothing.
struct ComCalls {
    void (*initialize)();
    void (*uninitialize)();
};
ComCalls& comCalls();

}  // namespace qx
