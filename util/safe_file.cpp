#include "util/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

file_outcome Failed(file_outcome::code_type code, int error_number = 0) { return {code, error_number}; }

file_outcome FromErrno(int error_number)
{
    switch (error_number) {
    case ENOENT: case ENOTDIR: return Failed(file_outcome::not_found, error_number);
    case EACCES: case EPERM: return Failed(file_outcome::no_access, error_number);
    case ENAMETOOLONG: return Failed(file_outcome::name_too_long, error_number);
    case EISDIR: return Failed(file_outcome::is_folder, error_number);
    case EROFS: return Failed(file_outcome::read_only, error_number);
    default: return Failed(file_outcome::system_error, error_number);
    }
}

// The file a chain of symlinks ends at, even when that file does not exist yet.
bool FollowLinks(fs::path& path, file_outcome& outcome)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat link {};
        if (::lstat(path.c_str(), &link) != 0) {
            if (errno == ENOENT) return true;
            outcome = FromErrno(errno);
            return false;
        }
        if (!S_ISLNK(link.st_mode)) return true;
        std::error_code ec;
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) {
            outcome = FromErrno(ec.value());
            return false;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    outcome = Failed(file_outcome::system_error, ELOOP);
    return false;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The process's file-creation mask, read without changing it (umask() would race with other threads).
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

void SyncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string file_outcome::Describe() const
{
    switch (code) {
    case ok: return "done";
    case not_found: return "no such file or folder";
    case is_folder: return "is a folder, not a file";
    case not_a_file: return "is a device or pipe, not a file";
    case read_only: return "is read-only";
    case no_access: return "permission denied";
    case name_too_long: return "the name is too long";
    case too_large: return "the file is too large (more than " + std::to_string(kListFileSizeLimit >> 20) + " MB)";
    case system_error: break;
    }
    return std::string("failed: ") + std::strerror(error_number);
}

namespace {

// Where a save of `target` would go (symlinks followed), and whether it may go there.
file_outcome SaveDestination(const fs::path& target, fs::path& destination, fs::path& folder, bool& exists,
                             struct stat& existing)
{
    destination = target;
    file_outcome outcome;
    if (!FollowLinks(destination, outcome)) return outcome;
    if (destination.filename().empty()) return Failed(file_outcome::is_folder);
    folder = destination.parent_path();
    if (folder.empty()) folder = ".";

    exists = ::stat(destination.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return FromErrno(errno);
    if (exists) {
        if (S_ISDIR(existing.st_mode)) return Failed(file_outcome::is_folder);
        if (!S_ISREG(existing.st_mode)) return Failed(file_outcome::not_a_file);
        // No write bit at all is respected even by a privileged user.
        if (::access(destination.c_str(), W_OK) != 0 || (existing.st_mode & 0222) == 0)
            return Failed(file_outcome::read_only, errno);
    }
    struct stat folder_state {};
    if (::stat(folder.c_str(), &folder_state) != 0) return FromErrno(errno);
    if (!S_ISDIR(folder_state.st_mode)) return Failed(file_outcome::not_found, ENOTDIR);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return FromErrno(errno);
    return {};
}

}  // namespace

file_outcome CheckSaveTarget(const fs::path& target)
{
    fs::path destination, folder;
    bool exists = false;
    struct stat existing {};
    return SaveDestination(target, destination, folder, exists, existing);
}

file_outcome SafeSave(const fs::path& target, std::string_view bytes)
{
    // A file-size limit must fail the write, not kill the process half-way.
    static const bool quiet_size_limit = (std::signal(SIGXFSZ, SIG_IGN), true);
    (void)quiet_size_limit;

    fs::path destination, folder;
    bool exists = false;
    struct stat existing {};
    if (const file_outcome allowed = SaveDestination(target, destination, folder, exists, existing); !allowed)
        return allowed;

    std::string pattern = (folder / (destination.filename().string() + ".tmp.XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return FromErrno(errno);
    const char* temporary = name.data();

    int error_number = 0;
    bool good = WriteAll(fd, bytes);
    if (!good) error_number = errno;
    if (good) {
        if (exists) {
            // Ownership can only be kept by a privileged user; the mode always.
            if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) { /* not ours to give away */ }
            good = ::fchmod(fd, existing.st_mode & 07777) == 0;
        } else {
            good = ::fchmod(fd, 0666 & ~CurrentUmask()) == 0;
        }
        if (!good) error_number = errno;
    }
    if (good && ::fsync(fd) != 0) good = false, error_number = errno;
    if (::close(fd) != 0 && good) good = false, error_number = errno;
    if (good && ::rename(temporary, destination.c_str()) != 0) good = false, error_number = errno;
    if (!good) {
        ::unlink(temporary);
        return FromErrno(error_number);
    }
    SyncFolder(folder);
    return {};
}

file_outcome ReadWholeFile(const fs::path& path, std::string& bytes, size_t limit)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return FromErrno(errno);
    struct stat state {};
    if (::fstat(fd, &state) != 0 || S_ISDIR(state.st_mode)) {
        const int error_number = errno;
        ::close(fd);
        return S_ISDIR(state.st_mode) ? Failed(file_outcome::is_folder) : FromErrno(error_number);
    }
    std::string content;
    if (S_ISREG(state.st_mode)) {
        if (static_cast<unsigned long long>(state.st_size) > limit) {
            ::close(fd);
            return Failed(file_outcome::too_large);
        }
        content.reserve(static_cast<size_t>(state.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error_number = errno;
            ::close(fd);
            return FromErrno(error_number);
        }
        if (n == 0) break;
        if (content.size() + static_cast<size_t>(n) > limit) {
            ::close(fd);
            return Failed(file_outcome::too_large);
        }
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    bytes = std::move(content);
    return {};
}

bool SameFile(const fs::path& a, const fs::path& b)
{
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ea, eb;
    const fs::path ca = fs::weakly_canonical(a, ea), cb = fs::weakly_canonical(b, eb);
    if (ea || eb) return a.lexically_normal() == b.lexically_normal();
    return ca == cb;
}

std::string EscapeControls(std::string_view text)
{
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            // C1 controls (ESC's 8-bit forms) in UTF-8.
            const auto d = static_cast<unsigned char>(text[++i]);
            out += "\\u00";
            out += hex[d >> 4];
            out += hex[d & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}
