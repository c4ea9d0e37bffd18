#include "localisation/file_system.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qx::files {
namespace {

FileFault faultOf(int code) {
    switch (code) {
    case EACCES:
    case EPERM:
        return FileFault::AccessDenied;
    case EBUSY:
    case ETXTBSY:
        return FileFault::SharingViolation;
    case EAGAIN:
    case EDEADLK:
        return FileFault::Locked;
    default:
        return FileFault::Other;
    }
}

// Takes errno before anything else can change it.
FileError systemError(const std::string& what, const std::string& path) {
    const int code = errno;
    return FileError(faultOf(code), what + " \"" + path + "\". " + std::strerror(code));
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closing reports late write errors of some file systems.
    int close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

std::string selfExecutable() {
    std::string buf(256, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buf.size()) return buf.substr(0, static_cast<std::size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

// A native build links everything into one executable: it is both modules.
std::string libraryModulePath() { return selfExecutable(); }
std::string hostExecutablePath() { return selfExecutable(); }

std::optional<std::string> readFile(const std::string& path) {
    detail::injectFault(FileOperation::Read, path);
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
        throw systemError("Cannot open file", path);
    }
    std::string out;
    struct stat st;
    if (::fstat(fd.get(), &st) == 0 && st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw systemError("Cannot read file", path);
        }
        if (n == 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void writeFileDurably(const std::string& path, std::string_view bytes) {
    detail::injectFault(FileOperation::Write, path);
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) throw systemError("Cannot create file", path);
    while (!bytes.empty()) {
        ssize_t n = ::write(fd.get(), bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throw systemError("Cannot write file", path);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    if (::fsync(fd.get()) != 0) throw systemError("Cannot write file", path);
    if (fd.close() != 0) throw systemError("Cannot write file", path);
}

void replaceFile(const std::string& from, const std::string& to) {
    detail::injectFault(FileOperation::Replace, to);
    if (::rename(from.c_str(), to.c_str()) != 0) throw systemError("Cannot replace file", to);
}

bool renameIfFree(const std::string& from, const std::string& to) {
    detail::injectFault(FileOperation::Rename, from);
    // link() refuses an existing target, which rename() would overwrite.
    if (::link(from.c_str(), to.c_str()) != 0) {
        if (errno == EEXIST) return false;
        throw systemError("Cannot rename file", from);
    }
    if (::unlink(from.c_str()) != 0) throw systemError("Cannot rename file", from);
    return true;
}

void removeFile(const std::string& path) noexcept { ::unlink(path.c_str()); }

}  // namespace qx::files
