// The library's error type: an exception that carries a message text in the
// ANSI code page. Every error the library raises on purpose is one of these.
#pragma once

#include <stdexcept>
#include <string>

namespace qx {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
    const std::string message() const { return what(); }
};

}  // namespace qx
