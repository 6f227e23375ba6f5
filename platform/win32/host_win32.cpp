#include "platform/host.hpp"
#include "platform/text_codec.hpp"

#include <windows.h>

#include <cstdio>
#include <io.h>
#include <optional>
#include <string>
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

bool replaceFile(const std::string& source, const std::string& target) {
    return ::MoveFileExW(wide(source).c_str(), wide(target).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const std::string& name) {
    return ::DeleteFileW(wide(name).c_str()) != 0;
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
