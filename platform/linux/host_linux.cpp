#include "platform/host.hpp"
#include "platform/text_codec.hpp"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
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

bool replaceFile(const std::string& source, const std::string& target) {
    const std::string to = cp1252ToUtf8(target);
    // A read-only target stays, as MoveFileEx leaves one on Windows.
    if (::faccessat(AT_FDCWD, to.c_str(), F_OK, AT_EACCESS) == 0 &&
        ::faccessat(AT_FDCWD, to.c_str(), W_OK, AT_EACCESS) != 0) {
        return false;
    }
    if (std::rename(cp1252ToUtf8(source).c_str(), to.c_str()) != 0) {
        return false;
    }
    syncDirectoryOf(to);
    return true;
}

bool removeFile(const std::string& name) {
    return ::unlink(cp1252ToUtf8(name).c_str()) == 0;
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
