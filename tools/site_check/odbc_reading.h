// The ODBC reads of the site check that the library's query does not offer:
// the driver manager's list of data sources, the column descriptions of a
// result, and every row of a result. Statement texts are fixed; no value is
// ever part of one. Failures are DbError with the driver's text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "duty/odbc.h"
#include "site_check/site_check.h"

namespace qx::sitecheck {

// The names SQLDataSources lists (user and system data sources).
std::vector<std::string> dataSourceNames();

// Runs a select and describes its result's columns; fetches nothing.
std::vector<ColumnInfo> describeResult(const odbc::Connection& connection, const std::string& sql);

using Row = std::vector<std::optional<std::string>>;
// Runs a select and reads every row, each value as text (null: nothing).
std::vector<Row> readAll(const odbc::Connection& connection, const std::string& sql);

}  // namespace qx::sitecheck
