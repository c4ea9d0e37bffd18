#include "duty/odbc.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "duty/odbc_api.h"

namespace qx::odbc {

DbError diagnostics(short handleType, RawHandle handle, const std::string& call) {
    std::array<SQLCHAR, 6> state{};
    SQLINTEGER native = 0;
    std::vector<SQLCHAR> text(1024);
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, 1, state.data(), &native, text.data(),
                                 static_cast<SQLSMALLINT>(text.size()), &length);
    // A message that did not fit is asked for again with more room. Drivers
    // tell it differently: with SQL_SUCCESS_WITH_INFO and the full length,
    // or (psqlODBC) with SQL_SUCCESS and the length of what fitted, a full
    // buffer. The buffer's size is a SQLSMALLINT: 32767 bytes at most.
    constexpr size_t kLargest = 32767;
    while (SQL_SUCCEEDED(rc) && static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)) + 1 >= text.size() &&
           text.size() < kLargest) {
        text.assign(std::min(kLargest, std::max(text.size() * 2, static_cast<size_t>(length) + 2)), 0);
        rc = SQLGetDiagRec(handleType, handle, 1, state.data(), &native, text.data(),
                           static_cast<SQLSMALLINT>(text.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) {
        return DbError(call + " failed without a diagnostic record");
    }
    size_t size = std::min(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), text.size() - 1);
    std::string message(reinterpret_cast<const char*>(text.data()), size);
    // Drivers like to end their texts with line breaks.
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return DbError(message, std::string(reinterpret_cast<const char*>(state.data())),
                   static_cast<long>(native));
}

// SQL_PARAM_DATA_AVAILABLE of ODBC 3.8, which not every header declares.
constexpr SQLRETURN kParamDataAvailable = 101;

SQLRETURN check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, std::string_view call) {
    switch (rc) {
    case SQL_SUCCESS:
    case SQL_SUCCESS_WITH_INFO:
    case SQL_NO_DATA:
        return rc;
    case SQL_ERROR:
        throw diagnostics(handleType, handle, std::string(call));
    case SQL_INVALID_HANDLE:
        throw DbError(std::string(call) + ": invalid handle");
    case SQL_STILL_EXECUTING:
    case SQL_NEED_DATA:
    case kParamDataAvailable:
        // Asynchronous calls and data at execution are never asked for.
        throw DbError(std::string(call) + " returned " + std::to_string(rc) +
                      ", which this library never asks for");
    default:
        // A driver manager that failed in a way of its own (a fault caught
        // and its code handed back) must not pass for a success.
        throw DbError(std::string(call) + " returned " + std::to_string(rc) +
                      ", not an ODBC return code");
    }
}

UniqueHandle::UniqueHandle(UniqueHandle&& other) noexcept
    : type_(other.type_), handle_(std::exchange(other.handle_, nullptr)) {}

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
        reset();
        type_ = other.type_;
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void UniqueHandle::reset() noexcept {
    if (handle_ != nullptr) {
        SQLFreeHandle(type_, handle_);
        handle_ = nullptr;
    }
}

namespace {

UniqueHandle allocate(SQLSMALLINT type, SQLHANDLE parent, SQLSMALLINT parentType, const char* call) {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    SQLRETURN rc = SQLAllocHandle(type, parent, &handle);
    if (!SQL_SUCCEEDED(rc)) {
        // A failed allocation leaves its diagnostics on the parent handle.
        if (parent != SQL_NULL_HANDLE) {
            check(SQL_ERROR, parentType, parent, call);
        }
        throw DbError(std::string(call) + " failed: the ODBC driver manager is not available");
    }
    return UniqueHandle(type, handle);
}

}  // namespace

Connection::Connection() {
    env_ = allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE, 0, "SQLAllocHandle(ENV)");
    check(SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0),
          SQL_HANDLE_ENV, env_.get(), "SQLSetEnvAttr");
    allocateConnectionHandle();
}

Connection::~Connection() { disconnect(); }

void Connection::allocateConnectionHandle() {
    dbc_ = allocate(SQL_HANDLE_DBC, env_.get(), SQL_HANDLE_ENV, "SQLAllocHandle(DBC)");
}

void Connection::connect(const std::string& odbcConnectionString) {
    if (connected_) {
        return;
    }
    if (!dbc_) {
        allocateConnectionHandle();
    }
    std::string in = odbcConnectionString;
    SQLRETURN rc = check(SQLDriverConnect(dbc_.get(), nullptr, reinterpret_cast<SQLCHAR*>(in.data()),
                                          static_cast<SQLSMALLINT>(in.size()), nullptr, 0, nullptr,
                                          SQL_DRIVER_NOPROMPT),
                         SQL_HANDLE_DBC, dbc_.get(), "SQLDriverConnect");
    if (rc == SQL_NO_DATA) {
        // Only a dialog the user cancelled answers this, and none is ever shown.
        throw DbError("SQLDriverConnect: no connection was made", "08001");
    }
    connected_ = true;
}

void Connection::disconnect() noexcept {
    if (!connected_) {
        return;
    }
    // Statements go first: the driver manager frees them itself on
    // disconnect, and their owners would free them a second time.
    for (ConnectionUser* user : users_) {
        user->releaseStatement();
    }
    connected_ = false;
    if (!SQL_SUCCEEDED(SQLDisconnect(dbc_.get()))) {
        // The handle may be left in a state no one can use again (a lost
        // server, an open transaction): start over with a fresh one.
        dbc_ = UniqueHandle();
        try {
            allocateConnectionHandle();
        } catch (...) {
            // Leaves the connection without a handle; the next connect reports it.
        }
    }
}

bool Connection::dead() const noexcept {
    if (!connected_) {
        return false;
    }
    SQLUINTEGER value = SQL_CD_FALSE;
    SQLRETURN rc = SQLGetConnectAttr(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &value, sizeof value, nullptr);
    return SQL_SUCCEEDED(rc) && value == SQL_CD_TRUE;
}

void Connection::attach(ConnectionUser& user) { users_.push_back(&user); }

void Connection::detach(ConnectionUser& user) {
    users_.erase(std::remove(users_.begin(), users_.end(), &user), users_.end());
}

Statement::Statement(const Connection& connection) {
    if (!connection.connected()) {
        throw DbError("The database is not connected", "08003");
    }
    stmt_ = allocate(SQL_HANDLE_STMT, connection.handle(), SQL_HANDLE_DBC, "SQLAllocHandle(STMT)");
}

}  // namespace qx::odbc
