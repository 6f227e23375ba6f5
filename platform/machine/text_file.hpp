#pragma once
// The conventions of the game's text files and messages: opening files by
// Windows-1252 name in the working directory, the item reader shared by number
// and text items, the number form, zones and line ends, and the texts of
// numbers, dates and times. Game thread only.

#include "platform/seam/backend.hpp"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace schlingo::platform {

enum class FileEnding { Nothing, Zone, LineEnd };

inline constexpr std::size_t maxNumberItem = 67;
inline constexpr std::size_t maxTextItem = 4096;

// One open file of the game. At most one is open at a time; each operation
// that uses a file opens it, reads or writes everything and closes it.
class TextFile {
public:
    TextFile() = default;
    ~TextFile(); // closes the file as closeFile() does
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Names are Windows-1252, relative to the working directory. A failed open
    // is silent: reads yield nothing and atEnd() is true; writes do nothing.
    // Opening closes a file that is still open first.
    bool openInput(const std::string& name);
    bool openOutput(const std::string& name);
    // Each line goes out in one write when its line end is written (the rest
    // at closeFile). Nothing the file holds is ever cut or rewritten, and
    // opening alone writes nothing. A file whose last line has no line end (a
    // line torn by a killed write, or one typed by hand) keeps it as it is; the
    // first line written then starts on a line of its own, after a CR LF.
    bool openAppend(const std::string& name);
    // Output that replaces `name` when closeFile() succeeds (host::writeWholeFile:
    // a temporary file renamed over it, or one write in place where no file can
    // be made beside it). The bytes are held until then; the old file stays as
    // it was until closeFile() and whenever it fails.
    bool openReplacement(const std::string& name);
    // Input from bytes in memory with the same text-mode reading as a file.
    void openInputBytes(std::string bytes);
    // False when a write or the final replacement failed (the game ignores it).
    bool closeFile();
    // True after a successful open until closeFile().
    bool isOpen() const { return file_ != nullptr || fromMemory_; }

    bool atEnd();
    std::int32_t readIntegerItem();
    std::string readTextItem();
    // Input: how many bytes of the file lie before the next item.
    long long position() const { return position_ - (pushedBack_ >= 0 ? 1 : 0); }

    void writeNumber(std::int32_t value, FileEnding ending);
    void writeText(std::string_view text, FileEnding ending);
    // Characters written since the last CR or LF.
    std::int64_t column() const { return column_; }

private:
    enum class Mode { None, Input, Output, Append, Replacement };
    bool openForWriting(const std::string& name, Mode mode);
    int rawByte();                   // next byte of the file, -1 at its end
    [[gnu::noinline]] bool refill(); // the next chunk of the file into buffer_
    int getByte();                   // next byte after text-mode translation, -1 at end
    void pushBack(int byte);
    std::string readItem(bool numberItem);
    void takePlainRun(std::string& item, bool quoted, std::size_t maximum);
    void emit(std::string_view bytes);
    bool writeOut(std::string_view bytes);
    bool lastLineUnfinished(); // append mode: the file ends without a line end

    std::FILE* file_ = nullptr;
    Mode mode_ = Mode::None;
    std::string name_;
    std::string buffer_;
    std::size_t bufferPos_ = 0;
    long long size_ = 0, position_ = 0; // raw bytes: noted at opening, consumed
    bool hitEndMarker_ = false;         // a byte 26 or a read failure ended the file
    int pushedBack_ = -1;
    std::int64_t column_ = 0;
    std::string pending_;         // append: the line being built; replacement: everything
    bool startOnNewLine_ = false; // append: a CR LF goes before the first line
    bool writeFailed_ = false;
    bool fromMemory_ = false;
};

bool fileExists(const std::string& name);

struct FileBytes {
    enum class Status { Read, Unopenable, TooLarge, Failed };
    Status status = Status::Unopenable;
    std::string bytes; // only with Read
};
// The bytes of a file, up to the size it had when opened (a device reads as
// empty, as it does for the item reader). They are taken in chunks, so the
// storage grows with what is really there, never with what the length
// claims. A file longer than `limit` bytes is not read at all. May throw
// std::bad_alloc.
FileBytes readFileUpTo(const std::string& name, long long limit);

// The same a part at a time, for a caller that must not be held up for long.
class FileReading {
public:
    FileReading(const std::string& name, long long limit);
    ~FileReading();
    FileReading(const FileReading&) = delete;
    FileReading& operator=(const FileReading&) = delete;
    // Reads up to `bytes` more; true once the file is read or has failed.
    bool readSome(std::size_t bytes);
    FileBytes take() { return std::move(result_); }

private:
    std::FILE* file_ = nullptr;
    long long size_ = 0;
    FileBytes result_;
};

std::string numberForm(std::int32_t value);  // " 12", "-3": files and screen
std::string numberText(std::int32_t value);  // "12", "-3": messages
std::string trimLeft(std::string_view text); // drops leading spaces (byte 32)
std::string dateText(const LocalTime& now);  // "12-07-2026"
std::string timeText(const LocalTime& now);  // "05:16:50"

// INT: the largest integer not greater than x (toward minus infinity).
std::int32_t intFloor(double x);
// Storing a floating-point value in an integer: nearest, halves to even.
std::int32_t roundHalfEven(double x);

// Converts a number item's text as readIntegerItem does.
std::int32_t integerFromItem(std::string_view item);

} // namespace schlingo::platform
