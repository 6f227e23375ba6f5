#include "platform/machine/text_codec.hpp"
#include "platform/seam/host.hpp"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace schlingo::platform::host {
namespace {

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Syncs the directory that holds `path`, so that a rename in it survives a crash.
void syncDirectoryOf(const std::string& utf8Path) {
    const int fd = ::open(directoryOf(utf8Path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::FILE* openFile(const std::string& name, const char* mode) {
    const std::string path = cp1252ToUtf8(name);
    // Opening a named pipe blocks until its other end is opened: the game
    // would hang on a pipe in a data file's place.
    struct stat before {};
    if (::stat(path.c_str(), &before) == 0 &&
        (S_ISFIFO(before.st_mode) || S_ISSOCK(before.st_mode))) {
        return nullptr;
    }
    std::string fopenMode(mode);
    fopenMode += 'e'; // close-on-exec
    std::FILE* f = std::fopen(path.c_str(), fopenMode.c_str());
    if (f == nullptr) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(::fileno(f), &info) != 0 || S_ISDIR(info.st_mode)) {
        std::fclose(f);
        return nullptr;
    }
    return f;
}

long long fileSize(std::FILE* f) {
    struct stat info {};
    if (f == nullptr || ::fstat(::fileno(f), &info) != 0) {
        return -1;
    }
    return S_ISREG(info.st_mode) ? static_cast<long long>(info.st_size) : 0;
}

bool flushToDisk(std::FILE* f) {
    if (f == nullptr || std::fflush(f) != 0) {
        return false;
    }
    return ::fsync(::fileno(f)) == 0;
}

bool truncateFile(std::FILE* f, long long size) {
    if (f == nullptr || size < 0) {
        return false;
    }
    std::fflush(f);
    return ::ftruncate(::fileno(f), static_cast<off_t>(size)) == 0;
}

namespace {

// Follows symbolic links to the file they end at, so that the new content
// goes beside and onto that file and the link stays a link. Empty for a loop.
std::string resolveLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
            return {};
        }
        target.resize(static_cast<std::size_t>(length));
        path = target[0] == '/' ? target : directoryOf(path) + "/" + target;
    }
    return {};
}

bool writeAll(int fd, std::string_view bytes, off_t at) {
    while (!bytes.empty()) {
        const ssize_t done = ::pwrite(fd, bytes.data(), bytes.size(), at);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
        at += done;
    }
    return true;
}

// An unpredictable hidden name beside `path`: ".Highscore.dat.k3X9aQ".
std::string temporaryNameFor(const std::string& path) {
    static std::mt19937_64 random{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid())
                                                               << 32};
    static constexpr char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    name += '.';
    name += slash == std::string::npos ? path : path.substr(slash + 1);
    name += '.';
    for (int i = 0; i < 8; ++i) {
        name += letters[random() % (sizeof letters - 1)];
    }
    return name;
}

enum class Temporary { CannotMake, CannotKeep, Failed, Written, CannotLink };

// Gives the new file the old one's owner, group and mode. False where this
// user may not (another player's group-writable table) or the file system
// will not: the table must not change hands or lose its permissions.
bool takeOver(int fd, const struct stat& old) {
    struct stat mine {};
    if (::fstat(fd, &mine) != 0) {
        return false;
    }
    // The owner first: a new owner clears the set-ID bits that the mode sets.
    if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        return false;
    }
    return (mine.st_mode & 07777) == (old.st_mode & 07777) ||
           ::fchmod(fd, old.st_mode & 07777) == 0;
}

// The new content in a file of its own beside `path`. An unnamed file gets a
// fresh name only once it is complete and on disk, so a killed writer leaves
// at most that name, and only between the link and the rename. CannotMake,
// CannotKeep (the file cannot be the old one's) and Failed leave nothing
// behind; Written names the file in `temporary`.
Temporary writeTemporary(const std::string& path, std::string_view bytes, const struct stat* old,
                         bool unnamed, std::string& temporary) {
    temporary.clear();
    int fd = -1;
    if (unnamed) {
        fd = ::open(directoryOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        // File systems without unnamed files: a named one, made exclusively.
        unnamed = false;
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            temporary = temporaryNameFor(path);
            fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST) {
                break;
            }
        }
        if (fd < 0) {
            temporary.clear();
            return Temporary::CannotMake;
        }
    }
    if (old != nullptr && !takeOver(fd, *old)) {
        ::close(fd);
        if (!unnamed) {
            ::unlink(temporary.c_str());
        }
        temporary.clear();
        return Temporary::CannotKeep;
    }
    bool ok = writeAll(fd, bytes, 0) && ::fsync(fd) == 0;
    bool linked = true;
    if (ok && unnamed) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        for (int attempt = 0; attempt < 100; ++attempt) {
            temporary = temporaryNameFor(path);
            linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(),
                              AT_SYMLINK_FOLLOW) == 0;
            if (linked || errno != EEXIST) {
                break;
            }
        }
        if (!linked) {
            temporary.clear();
        }
    }
    ok = ::close(fd) == 0 && ok;
    if (!ok || !linked) {
        if (!temporary.empty()) {
            ::unlink(temporary.c_str());
        }
        temporary.clear();
        return ok ? Temporary::CannotLink : Temporary::Failed;
    }
    return Temporary::Written;
}

// One write over the old content, then the cut to the new length; a write
// that fails puts the old content back as far as it can.
bool rewriteInPlace(const std::string& path, std::string_view bytes) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    const bool canRead = fd >= 0;
    if (!canRead) {
        fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    }
    struct stat info {};
    if (fd < 0) {
        return false;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    std::string old;
    if (canRead) {
        old.resize(static_cast<std::size_t>(info.st_size));
        if (::pread(fd, old.data(), old.size(), 0) != static_cast<ssize_t>(old.size())) {
            old.clear();
        }
    }
    bool ok = writeAll(fd, bytes, 0) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
              ::fsync(fd) == 0;
    if (!ok && !old.empty() && writeAll(fd, old, 0) &&
        ::ftruncate(fd, static_cast<off_t>(old.size())) == 0) {
        ::fsync(fd);
    }
    ok = ::close(fd) == 0 && ok;
    return ok;
}

} // namespace

bool writeWholeFile(const std::string& name, std::string_view bytes) {
    const std::string path = resolveLinks(cp1252ToUtf8(name));
    if (path.empty()) {
        return false;
    }
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists) {
        // A read-only file stays, as on Windows, and so does one without any
        // write permission even for root; pipes and devices are no table.
        if (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0 ||
            ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
            return false;
        }
    }
    // A rename would leave the file's other names with the old content.
    if (exists && old.st_nlink > 1) {
        return rewriteInPlace(path, bytes);
    }
    std::string temporary;
    Temporary made = writeTemporary(path, bytes, exists ? &old : nullptr, true, temporary);
    if (made == Temporary::CannotLink) { // no /proc to name an unnamed file by
        made = writeTemporary(path, bytes, exists ? &old : nullptr, false, temporary);
    }
    if (made == Temporary::CannotMake || made == Temporary::CannotKeep) {
        return exists && rewriteInPlace(path, bytes);
    }
    if (made != Temporary::Written) {
        return false;
    }
    // A rename can fail where a write does not: a file bind-mounted into the
    // folder (EBUSY), another player's file in a sticky folder (EPERM).
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return exists && rewriteInPlace(path, bytes);
    }
    syncDirectoryOf(path);
    return true;
}

std::string programDirectory() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) {
            return ".";
        }
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::string directory = directoryOf(path);
    if (auto name = utf8ToCp1252(directory)) {
        return *name;
    }
    // The path has characters Windows-1252 lacks: name the directory through a
    // descriptor held for the rest of the run; the kernel resolves that name.
    static const int held = ::open(directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return held >= 0 ? "/proc/self/fd/" + std::to_string(held) : std::string(".");
}

char pathSeparator() {
    return '/';
}

double monotonicSeconds() {
    // CLOCK_MONOTONIC is the counter with a frequency; its resolution is asked once.
    static const bool haveCounter = [] {
        timespec resolution{};
        return ::clock_getres(CLOCK_MONOTONIC, &resolution) == 0;
    }();
    if (haveCounter) {
        timespec now{};
        if (::clock_gettime(CLOCK_MONOTONIC, &now) == 0) {
            return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
        }
    }
    const auto ticks = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count();
    return static_cast<double>(ticks) * 0.001;
}

LocalTime localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    LocalTime result;
    if (::localtime_r(&now, &parts) == nullptr) {
        return result;
    }
    result.year = parts.tm_year + 1900;
    result.month = parts.tm_mon + 1;
    result.day = parts.tm_mday;
    result.hour = parts.tm_hour;
    result.minute = parts.tm_min;
    result.second = parts.tm_sec;
    return result;
}

} // namespace schlingo::platform::host
