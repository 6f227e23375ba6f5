#include "platform/machine/text_codec.hpp"
#include "platform/seam/host.hpp"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <io.h>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace schlingo::platform::host {
namespace {

// Names go to the wide API converted from code page 1252 explicitly, whatever
// the system's ANSI code page is.
std::wstring wide(const std::string& cp1252) {
    const std::u16string utf16 = cp1252ToUtf16(cp1252);
    return std::wstring(utf16.begin(), utf16.end());
}

std::optional<std::string> narrow(const std::wstring& utf16) {
    return utf16ToCp1252(std::u16string(utf16.begin(), utf16.end()));
}

std::wstring directoryOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return L".";
    }
    // A drive root keeps its separator ("C:\").
    if (slash == 2 && path[1] == L':') {
        return path.substr(0, 3);
    }
    return path.substr(0, slash);
}

} // namespace

std::FILE* openFile(const std::string& name, const char* mode) {
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    std::FILE* f = ::_wfopen(wide(name).c_str(), wideMode.c_str());
    if (f == nullptr) {
        return nullptr;
    }
    struct _stat64 info {};
    if (::_fstat64(::_fileno(f), &info) != 0 || (info.st_mode & _S_IFDIR) != 0) {
        std::fclose(f);
        return nullptr;
    }
    return f;
}

long long fileSize(std::FILE* f) {
    if (f == nullptr) {
        return -1;
    }
    struct _stat64 info {};
    if (::_fstat64(::_fileno(f), &info) != 0) {
        return -1;
    }
    return (info.st_mode & _S_IFREG) != 0 ? static_cast<long long>(info.st_size) : 0;
}

bool flushToDisk(std::FILE* f) {
    if (f == nullptr || std::fflush(f) != 0) {
        return false;
    }
    return ::_commit(::_fileno(f)) == 0;
}

bool truncateFile(std::FILE* f, long long size) {
    if (f == nullptr || size < 0) {
        return false;
    }
    std::fflush(f);
    return ::_chsize_s(::_fileno(f), size) == 0;
}

namespace {

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD done = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &done, nullptr) || done == 0) {
            return false;
        }
        bytes.remove_prefix(done);
    }
    return true;
}

// An unpredictable hidden name beside `path`: ".Highscore.dat.k3X9aQ".
std::wstring temporaryNameFor(const std::wstring& path) {
    static std::mt19937_64 random{std::random_device{}() ^
                                  static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32 ^
                                  ::GetTickCount64()};
    static constexpr wchar_t letters[] =
        L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const auto slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    name += L'.';
    name += slash == std::wstring::npos ? path : path.substr(slash + 1);
    name += L'.';
    for (int i = 0; i < 8; ++i) {
        name += letters[random() % (sizeof letters / sizeof letters[0] - 1)];
    }
    return name;
}

// The file a symbolic link (or junction) ends at; the link itself stays.
std::optional<std::wstring> finalPath(const std::wstring& path) {
    const HANDLE file =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length =
        ::GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length =
            ::GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
    }
    ::CloseHandle(file);
    if (length == 0 || length >= buffer.size()) {
        return std::nullopt;
    }
    return std::wstring(buffer.data(), length);
}

// ReplaceFileW wants whole paths (Wine's refuses a bare name).
std::wstring fullPathOf(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::vector<wchar_t> buffer(needed);
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, buffer.data(), nullptr);
    return length > 0 && length < needed ? std::wstring(buffer.data(), length) : path;
}

// Whether a replacement may take the file's place: it needs to remove the
// file (another program may hold it open without delete sharing, or this user
// may write it but not delete it), and the file must have no other names
// (hard links) that would keep the old content. Asked first because a failed
// ReplaceFileW can leave a stray file of its own behind (Wine's does).
bool mayReplace(const std::wstring& path) {
    const HANDLE file =
        ::CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool alone = ::GetFileInformationByHandle(file, &info) && info.nNumberOfLinks == 1;
    ::CloseHandle(file);
    return alone;
}

// One write over the old content, then the cut to the new length; a write
// that fails puts the old content back as far as it can.
bool rewriteInPlace(const std::wstring& path, std::string_view bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool canRead = file != INVALID_HANDLE_VALUE;
    if (!canRead) {
        file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::string old;
    LARGE_INTEGER size{};
    if (canRead && ::GetFileSizeEx(file, &size) && size.QuadPart < (1LL << 30)) {
        old.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        if (!::ReadFile(file, old.data(), static_cast<DWORD>(old.size()), &got, nullptr) ||
            got != old.size()) {
            old.clear();
        }
    }
    auto putAll = [file](std::string_view content) {
        LARGE_INTEGER start{};
        return ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && writeAll(file, content) &&
               ::SetEndOfFile(file);
    };
    bool ok = putAll(bytes) && ::FlushFileBuffers(file);
    if (!ok && !old.empty() && putAll(old)) {
        ::FlushFileBuffers(file);
    }
    ok = ::CloseHandle(file) && ok;
    return ok;
}

} // namespace

bool writeWholeFile(const std::string& name, std::string_view bytes) {
    std::wstring path = fullPathOf(wide(name));
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        const auto target = finalPath(path);
        if (!target) {
            return false;
        }
        path = *target;
        attributes = ::GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return false;
        }
    }
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY |
                                 FILE_ATTRIBUTE_DEVICE)) != 0) {
        return false;
    }
    if (exists && !mayReplace(path)) {
        return rewriteInPlace(path, bytes);
    }
    // The new file carries the old one's attributes (hidden, archive ...);
    // ReplaceFileW gives it the old one's security too.
    DWORD kept = exists ? attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                        FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED)
                        : 0;
    if (kept == 0) {
        kept = FILE_ATTRIBUTE_NORMAL;
    }
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = temporaryNameFor(path);
        file =
            ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, kept, nullptr);
        if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return exists && rewriteInPlace(path, bytes);
    }
    bool ok = writeAll(file, bytes) && ::FlushFileBuffers(file);
    ok = ::CloseHandle(file) && ok;
    if (!ok) {
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    if (!exists) {
        ok = ::MoveFileExW(temporary.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        if (!ok) {
            ::DeleteFileW(temporary.c_str());
        }
        return ok;
    }
    // No merge errors are ignored: a replacement that cannot carry the old
    // file's attributes and security over fails and goes in place below.
    if (::ReplaceFileW(path.c_str(), temporary.c_str(), nullptr, 0, nullptr, nullptr)) {
        return true;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        // The old file has left its name already; the new one goes there. If
        // even that fails, the new content stays under the temporary name.
        return ::MoveFileExW(temporary.c_str(), path.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    }
    // Still in its place, but not to be replaced as it is: written over instead.
    ::DeleteFileW(temporary.c_str());
    return rewriteInPlace(path, bytes);
}

std::string programDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return ".";
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const std::wstring directory = directoryOf(std::wstring(buffer.begin(), buffer.end()));
    if (auto name = narrow(directory)) {
        return *name;
    }
    // Characters outside code page 1252: the short (8.3) name is plain ASCII
    // where the volume keeps short names.
    const DWORD needed = ::GetShortPathNameW(directory.c_str(), nullptr, 0);
    if (needed > 0) {
        std::vector<wchar_t> shortName(needed);
        const DWORD length = ::GetShortPathNameW(directory.c_str(), shortName.data(), needed);
        if (length > 0 && length < needed) {
            if (auto name = narrow(std::wstring(shortName.data(), length))) {
                return *name;
            }
        }
    }
    return ".";
}

char pathSeparator() {
    return '\\';
}

double monotonicSeconds() {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f{};
        return ::QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? f.QuadPart : 0LL;
    }();
    if (frequency > 0) {
        LARGE_INTEGER counter{};
        ::QueryPerformanceCounter(&counter);
        return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency);
    }
    return static_cast<double>(::GetTickCount64()) * 0.001;
}

LocalTime localTimeNow() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    LocalTime result;
    result.year = now.wYear;
    result.month = now.wMonth;
    result.day = now.wDay;
    result.hour = now.wHour;
    result.minute = now.wMinute;
    result.second = now.wSecond;
    return result;
}

} // namespace schlingo::platform::host
