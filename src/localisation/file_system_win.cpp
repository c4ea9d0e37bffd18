#include "localisation/file_system.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace qx::files {
namespace {

std::string systemMessage(DWORD code) {
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "System error " + std::to_string(code);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

FileFault faultOf(DWORD code) {
    switch (code) {
    case ERROR_SHARING_VIOLATION:
        return FileFault::SharingViolation;
    case ERROR_LOCK_VIOLATION:
        return FileFault::Locked;
    case ERROR_ACCESS_DENIED:
        return FileFault::AccessDenied;
    default:
        return FileFault::Other;
    }
}

FileError systemError(const char* what, const std::string& path, DWORD code) {
    return FileError(faultOf(code), std::string(what) + " \"" + path + "\". " + systemMessage(code));
}

// Takes the error code before anything else can change it.
[[noreturn]] void fail(const char* what, const std::string& path) {
    DWORD code = GetLastError();
    throw systemError(what, path, code);
}

class File {
public:
    explicit File(HANDLE h) : h_(h) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() {
        if (valid()) CloseHandle(h_);
    }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    BOOL close() { return CloseHandle(std::exchange(h_, INVALID_HANDLE_VALUE)); }

private:
    HANDLE h_;
};

// Module paths may exceed MAX_PATH; grow the buffer until the path fits.
std::string modulePath(HMODULE module) {
    std::string buf(260, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(module, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return buf.substr(0, n);
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

std::string libraryModulePath() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&libraryModulePath), &self);
    return modulePath(self);
}

std::string hostExecutablePath() { return modulePath(nullptr); }

std::optional<std::string> readFile(const std::string& path) {
    detail::injectFault(FileOperation::Read, path);
    // Several host processes share one table file: sharing writing and
    // deleting as well lets another process replace the file while this one
    // reads it. The handle keeps reading the file it opened.
    File f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.valid()) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return std::nullopt;
        throw systemError("Cannot open file", path, code);
    }
    std::string out;
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(f.get(), buf, sizeof buf, &n, nullptr)) fail("Cannot read file", path);
        if (n == 0) break;
        out.append(buf, n);
    }
    return out;
}

bool isRegularFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void writeFileDurably(const std::string& path, std::string_view bytes) {
    detail::injectFault(FileOperation::Write, path);
    File f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.valid()) fail("Cannot create file", path);
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD n = 0;
        if (!WriteFile(f.get(), bytes.data(), chunk, &n, nullptr)) fail("Cannot write file", path);
        bytes.remove_prefix(n);
    }
    if (!FlushFileBuffers(f.get())) fail("Cannot write file", path);
    if (!f.close()) fail("Cannot write file", path);
}

void replaceFile(const std::string& from, const std::string& to) {
    detail::injectFault(FileOperation::Replace, to);
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail("Cannot replace file", to);
}

bool renameIfFree(const std::string& from, const std::string& to) {
    detail::injectFault(FileOperation::Rename, from);
    // Without MOVEFILE_REPLACE_EXISTING an existing target makes the move fail.
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) return false;
    throw systemError("Cannot rename file", from, code);
}

void removeFile(const std::string& path) noexcept { DeleteFileA(path.c_str()); }

}  // namespace qx::files
