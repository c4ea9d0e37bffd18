// The few file-system and module operations the translation table needs, one
// implementation per platform (file_system_posix.cpp, file_system_win.cpp).
// Paths are 8-bit texts in the ANSI code page. Failures throw qx::Error with
// the system's own message.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qx::files {

// Full path of the module holding this code (the library file) and of the
// host process's executable.
std::string libraryModulePath();
std::string hostExecutablePath();

// The whole content of a file; nothing when no file or folder exists at the
// path. Throws when something is there but cannot be read.
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

}  // namespace qx::files
