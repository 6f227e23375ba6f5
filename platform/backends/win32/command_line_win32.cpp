#include "platform/seam/command_line.hpp"

#include "platform/machine/text_codec.hpp"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <string>

namespace schlingo::platform::host {
namespace {

std::wstring wideFromUtf8(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (const char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

bool usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// A console takes UTF-16 whatever its code page is.
bool writeConsole(HANDLE console, const std::string& utf8) {
    const std::wstring text = wideFromUtf8(withCrLf(utf8));
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
        if (!WriteConsoleW(console, text.data() + done, part, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool writeFile(HANDLE file, const std::string& utf8) {
    const std::string bytes = withCrLf(utf8);
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD written = 0;
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 65536));
        if (!WriteFile(file, bytes.data() + done, part, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

} // namespace

bool enterFolderArgument(int argc, char** argv, int index) {
    if (index >= argc) {
        return false;
    }
    // The wide command line keeps names that the ANSI code page lacks.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    bool entered = false;
    if (wide != nullptr && count == argc) {
        entered = SetCurrentDirectoryW(wide[index]) != 0;
    } else {
        entered = SetCurrentDirectoryA(argv[index]) != 0;
    }
    if (wide != nullptr) {
        LocalFree(wide);
    }
    return entered;
}

std::string workingFolderUtf8() {
    std::wstring name(GetCurrentDirectoryW(0, nullptr), L'\0');
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(name.size()), name.data());
    if (length == 0 || length >= name.size()) {
        return {};
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(length),
                                          nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(length), utf8.data(), bytes,
                        nullptr, nullptr);
    return utf8;
}

bool nameExists(const std::string& cp1252Name) {
    const std::u16string name = cp1252ToUtf16(cp1252Name);
    return GetFileAttributesW(reinterpret_cast<LPCWSTR>(name.c_str())) != INVALID_FILE_ATTRIBUTES;
}

bool showReport(const std::string& full, const std::string& brief, bool problems) {
    // A GUI program has standard handles only where they were handed to it:
    // output redirected to a file or a pipe, or a console's own handles.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const DWORD type = usable(out) ? GetFileType(out) : FILE_TYPE_UNKNOWN;
    DWORD mode = 0;
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
        return writeFile(out, full); // UTF-8, as editors read it
    }
    if (type == FILE_TYPE_CHAR && GetConsoleMode(out, &mode)) {
        return writeConsole(out, full);
    }
    // Started from a console window: the report goes there. The shell does
    // not wait for a GUI program, so its prompt may already stand there; the
    // report begins on a line of its own.
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        const HANDLE console =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (usable(console)) {
            const bool written = writeConsole(console, "\n" + full);
            CloseHandle(console);
            FreeConsole();
            return written;
        }
        FreeConsole();
    }
    if (type == FILE_TYPE_CHAR) {
        return writeFile(out, full); // a device: NUL, or under Wine the terminal
    }
    MessageBoxW(nullptr, wideFromUtf8(brief).c_str(), L"Schlingo",
                MB_OK | MB_SETFOREGROUND | (problems ? MB_ICONWARNING : MB_ICONINFORMATION));
    return true;
}

void showError(const std::string& text) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    const DWORD type = usable(err) ? GetFileType(err) : FILE_TYPE_UNKNOWN;
    DWORD mode = 0;
    if (type == FILE_TYPE_CHAR && GetConsoleMode(err, &mode) && writeConsole(err, text)) {
        return;
    }
    if (type != FILE_TYPE_UNKNOWN && writeFile(err, text)) {
        return;
    }
    MessageBoxW(nullptr, wideFromUtf8(text).c_str(), L"Schlingo",
                MB_OK | MB_SETFOREGROUND | MB_ICONWARNING);
}

} // namespace schlingo::platform::host
