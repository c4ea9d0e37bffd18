#include "card_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace cardtest {

std::string connectionString(const std::string& database) {
    std::string text = "DSN=qxtest;UID=dba;PWD=KRe7tmqB";
    if (!database.empty()) text += ";Database=" + database;
    return text;
}

TestDatabase::TestDatabase(std::string connectionString)
    : connectionString_(std::move(connectionString)), query_(connection_) {
    connection_.connect(connectionString_);
}

void TestDatabase::reconnect() {
    ++reconnects;
    connection_.disconnect();
    connection_.connect(connectionString_);
}

std::string TestDatabase::backendPid() {
    query_.setSql("select pg_backend_pid()");
    query_.open();
    std::string pid = query_.text(0).value_or("");
    query_.close();
    return pid;
}

std::ostream& operator<<(std::ostream& out, const DutyRow& row) {
    return out << '{' << row.hotelDate << ", " << row.userId << ", " << row.userName << ", "
               << row.passNo << ", " << row.onTime.value_or("null") << ", "
               << row.offTime.value_or("null") << '}';
}

namespace {

std::string readSchema() {
    const char* source = std::getenv("QX_SOURCE_DIR");
    if (!source) throw std::runtime_error("QX_SOURCE_DIR is not set");
    std::ifstream in(std::string(source) + "/tests/db/schema.sql", std::ios::binary);
    if (!in) throw std::runtime_error("cannot read tests/db/schema.sql");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

Hotel::Hotel(const std::string& database) : database_(database), query_(connection_) {
    {
        qx::odbc::Connection admin;
        admin.connect(connectionString());
        qx::OdbcQuery query(admin);
        query.setSql("drop database if exists " + database);
        query.execute();
        query.setSql("create database " + database + " owner dba");
        query.execute();
    }
    connection_.connect(connectionString(database));
    exec(readSchema());
}

void Hotel::reconnect() {
    connection_.disconnect();
    connection_.connect(connectionString(database_));
}

void Hotel::exec(const std::string& sql) {
    query_.setSql(sql);
    query_.execute();
}

void Hotel::reset() {
    exec("delete from OnDuty");
    exec("delete from HotelUser");
    exec("delete from TestClock");
    exec("delete from HotelOption");
    exec("insert into HotelOption default values");
}

void Hotel::addUser(const User& user) {
    query_.setSql(
        "insert into HotelUser(UserID,UserName,PassNo,AccessCode) values(:id,:name,:passno,:code)");
    query_.setParam("id", user.userId, 4);
    query_.setParam("name", user.userName, 10);
    query_.setParam("passno", user.passNo, 30);
    query_.setParam("code", user.accessCode, 40);
    query_.execute();
}

void Hotel::addDuty(const DutyRow& row) {
    query_.setSql(
        "insert into OnDuty(HotelDate,UserID,UserName,PassNo,OnTime,OffTime) "
        "values(:d,:id,:name,:passno,cast(:ontime as timestamp),cast(:offtime as timestamp))");
    query_.setParam("d", row.hotelDate, 10);
    query_.setParam("id", row.userId, 4);
    query_.setParam("name", row.userName, 10);
    query_.setParam("passno", row.passNo, 30);
    // A parameter never set is bound as null.
    if (row.onTime) query_.setParam("ontime", *row.onTime, 19);
    if (row.offTime) query_.setParam("offtime", *row.offTime, 19);
    query_.execute();
}

void Hotel::setClock(const std::string& instant) {
    exec("delete from TestClock");
    query_.setSql("insert into TestClock values(cast(:instant as timestamp))");
    query_.setParam("instant", instant, 19);
    query_.execute();
}

std::vector<DutyRow> Hotel::duty() {
    // The query stands on one row only: the table comes as one text, a line
    // per row, tab between fields, "-" for a null time.
    query_.setSql(
        "select string_agg(concat_ws(chr(9),coalesce(HotelDate,''),coalesce(UserID,''),"
        "coalesce(UserName,''),coalesce(PassNo,''),"
        "coalesce(to_char(OnTime,'YYYY-MM-DD HH24:MI:SS'),'-'),"
        "coalesce(to_char(OffTime,'YYYY-MM-DD HH24:MI:SS'),'-')),chr(10)) from OnDuty");
    query_.open();
    const std::string table = query_.text(0).value_or("");
    query_.close();

    std::vector<DutyRow> rows;
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        fields.resize(6);
        auto time = [](const std::string& t) { return t == "-" ? std::nullopt : std::optional(t); };
        rows.push_back(DutyRow{fields[0], fields[1], fields[2], fields[3], time(fields[4]), time(fields[5])});
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace cardtest
