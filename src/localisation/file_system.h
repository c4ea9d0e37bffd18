// The few file-system and module operations the translation table needs, one
// implementation per platform (file_system_posix.cpp, file_system_win.cpp).
// Paths are 8-bit texts in the ANSI code page. Failures throw FileError with
// the system's own message.
#pragma once

#include "common/error.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qx::files {

// Why an operation on a file failed.
enum class FileFault {
    SharingViolation,  // another process has the file open in a way that excludes this use
    Locked,            // a region of the file is locked by another process
    AccessDenied,
    Other,             // an I/O error, a full disk, and anything else
};

class FileError : public Error {
public:
    FileError(FileFault fault, const std::string& message) : Error(message), fault_(fault) {}
    FileFault fault() const { return fault_; }
    // Another process holds the file for the moment; trying again soon may work.
    bool busy() const { return fault_ == FileFault::SharingViolation || fault_ == FileFault::Locked; }

private:
    FileFault fault_;
};

// Full path of the module holding this code (the library file) and of the
// host process's executable.
std::string libraryModulePath();
std::string hostExecutablePath();

// The whole content of a file; nothing when no file or folder exists at the
// path. Throws when something is there but cannot be read. Other processes
// may read, write, rename and replace the file while it is read.
std::optional<std::string> readFile(const std::string& path);
bool isRegularFile(const std::string& path);

// Creates or truncates the file, writes the bytes and flushes them to disk.
void writeFileDurably(const std::string& path, std::string_view bytes);

// Puts `from` in place of `to` in one step: a reader sees the old or the new
// file, never a mix.
void replaceFile(const std::string& from, const std::string& to);

// Renames `from` to `to` unless something already exists at `to`; returns
// false in that case.
bool renameIfFree(const std::string& from, const std::string& to);

void removeFile(const std::string& path) noexcept;

// For tests: a function that each of the four operations above calls first,
// with the path it works on. It may throw a FileError in the system's place,
// or return to let the operation run. An empty function removes it.
enum class FileOperation { Read, Write, Replace, Rename };
using FaultInjector = std::function<void(FileOperation, const std::string& path)>;
void SetFaultInjectorForTesting(FaultInjector injector);

namespace detail {
// Called by the platform implementations at the start of each operation.
void injectFault(FileOperation operation, const std::string& path);
}  // namespace detail

}  // namespace qx::files
