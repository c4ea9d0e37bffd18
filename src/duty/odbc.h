// Owned ODBC handles: an environment with one connection, and statements on
// it. Failures of ODBC calls are raised as DbError with the driver's text.
#pragma once

#include <string>
#include <vector>

#include "duty/query.h"

namespace qx::odbc {

// An ODBC handle (SQLHANDLE) without the platform headers.
using RawHandle = void*;

// One ODBC handle of one type, freed with SQLFreeHandle. Move-only.
class UniqueHandle {
public:
    UniqueHandle() = default;
    UniqueHandle(short type, RawHandle handle) : type_(type), handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept;
    UniqueHandle& operator=(UniqueHandle&& other) noexcept;
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    RawHandle get() const { return handle_; }
    short type() const { return type_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset() noexcept;

private:
    short type_ = 0;
    RawHandle handle_ = nullptr;
};

// Something that keeps statement handles on a connection and must give them
// up before the connection closes.
class ConnectionUser {
public:
    virtual void releaseStatement() noexcept = 0;

protected:
    ~ConnectionUser() = default;
};

// An ODBC 3 environment and one connection handle in it. Connecting never
// prompts. Not copyable and not movable: users keep a reference to it.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Connects with an ODBC connection string ("DSN=...;UID=...;PWD=...").
    // Does nothing when already connected.
    void connect(const std::string& odbcConnectionString);
    // Frees the users' statements, then disconnects. Never fails; does
    // nothing when not connected.
    void disconnect() noexcept;
    bool connected() const { return connected_; }
    // True when the driver knows the connection to be lost.
    bool dead() const noexcept;
    RawHandle handle() const { return dbc_.get(); }

    void attach(ConnectionUser& user);
    void detach(ConnectionUser& user);

private:
    void allocateConnectionHandle();

    UniqueHandle env_;
    UniqueHandle dbc_;
    bool connected_ = false;
    std::vector<ConnectionUser*> users_;
};

// A statement handle on a connected Connection.
class Statement {
public:
    explicit Statement(const Connection& connection);
    RawHandle handle() const { return stmt_.get(); }

private:
    UniqueHandle stmt_;
};

// The diagnostic records of a handle as a DbError: the first record's text,
// SQLSTATE and native code. `call` names the failing call when the driver
// left no record.
DbError diagnostics(short handleType, RawHandle handle, const std::string& call);

}  // namespace qx::odbc
