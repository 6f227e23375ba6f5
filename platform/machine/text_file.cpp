#include "platform/machine/text_file.hpp"
#include "platform/seam/host.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

namespace schlingo::platform {
namespace {

constexpr int endOfFile = -1;
constexpr int ctrlZ = 26;
constexpr std::size_t readChunk = 64 * 1024;

bool isBlank(int c) {
    return c == ' ' || c == '\t';
}

// A magnitude of at most 2^32 - 1 wraps into 32 bits with its sign, as a
// decimal item does; anything larger (and infinity) reads as -1.
std::int32_t wrapMagnitude(double magnitude, bool negative) {
    if (!(magnitude <= 4294967295.0)) {
        return -1;
    }
    auto bits = static_cast<std::uint32_t>(magnitude);
    if (negative) {
        bits = 0u - bits;
    }
    return static_cast<std::int32_t>(bits);
}

std::int32_t integerInBase(std::string_view digits, unsigned base) {
    std::uint32_t value = 0;
    for (const char c : digits) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else {
            break;
        }
        if (digit >= base) {
            break;
        }
        value = value * base + digit; // wraps at 32 bits
    }
    return static_cast<std::int32_t>(value);
}

// sign? digits* (. digits*)? ((E|e|D|d) sign? digits*)?, the longest such prefix.
std::int32_t integerFromFloatItem(std::string_view item) {
    std::size_t i = 0;
    bool negative = false;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) {
        negative = item[i] == '-';
        ++i;
    }
    std::string digits; // significant digits; the value is digits x 10^scale
    long long scale = 0;
    bool seenPoint = false;
    for (; i < item.size(); ++i) {
        const char c = item[i];
        if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (c >= '0' && c <= '9') {
            if (seenPoint) {
                --scale;
            }
            if (!digits.empty() || c != '0') {
                digits += c;
            }
        } else {
            break;
        }
    }
    if (i < item.size() && (item[i] == 'E' || item[i] == 'e' || item[i] == 'D' || item[i] == 'd')) {
        ++i;
        bool negativeExponent = false;
        if (i < item.size() && (item[i] == '+' || item[i] == '-')) {
            negativeExponent = item[i] == '-';
            ++i;
        }
        long long exponent = 0;
        for (; i < item.size() && item[i] >= '0' && item[i] <= '9'; ++i) {
            exponent = std::min(exponent * 10 + (item[i] - '0'), 1000000LL);
        }
        scale += negativeExponent ? -exponent : exponent;
    }
    if (digits.empty()) {
        return 0;
    }
    const long long integerDigits = static_cast<long long>(digits.size()) + scale;
    if (integerDigits > 10) {
        return -1; // at least 10^10, beyond 32 bits (1e999 included)
    }
    if (integerDigits < 0) {
        return 0; // below 0.1
    }
    const std::string text = digits + "e" + std::to_string(scale);
    // strtod, not from_chars: libc++ 13 has no floating-point from_chars. The
    // program never changes the C locale, so the point is always '.'.
    const double value = std::strtod(text.c_str(), nullptr);
    const double f = std::floor(value);
    const double diff = value - f;
    const double nearest = diff < 0.5   ? f
                           : diff > 0.5 ? f + 1
                                        : (std::fmod(f, 2.0) == 0 ? f : f + 1);
    return wrapMagnitude(nearest, negative);
}

} // namespace

TextFile::~TextFile() {
    closeFile();
}

bool TextFile::openInput(const std::string& name) {
    closeFile();
    file_ = host::openFile(name, "rb");
    mode_ = Mode::Input;
    name_ = name;
    if (file_ == nullptr) {
        hitEndMarker_ = true; // reads yield nothing
        return false;
    }
    size_ = host::fileSize(file_);
    if (size_ < 0) {
        size_ = 0;
    }
    return true;
}

void TextFile::openInputBytes(std::string bytes) {
    closeFile();
    mode_ = Mode::Input;
    size_ = static_cast<long long>(bytes.size());
    buffer_ = std::move(bytes);
    bufferPos_ = 0;
    fromMemory_ = true;
}

bool TextFile::openForWriting(const std::string& name, Mode mode) {
    closeFile();
    mode_ = mode;
    name_ = name;
    if (mode == Mode::Replacement) {
        // Nothing touches the disk before closeFile().
        fromMemory_ = true;
        return true;
    }
    // Append mode reads too, to look at the last byte; a file that may be
    // written but not read is appended to without that look.
    file_ = mode == Mode::Append ? host::openFile(name, "a+b") : nullptr;
    const bool canLook = file_ != nullptr;
    if (file_ == nullptr) {
        file_ = host::openFile(name, mode == Mode::Append ? "ab" : "wb");
    }
    if (file_ == nullptr) {
        writeFailed_ = true;
        return false;
    }
    if (mode == Mode::Append) {
        // Unbuffered: each line reaches the file in one write.
        std::setvbuf(file_, nullptr, _IONBF, 0);
        startOnNewLine_ = canLook && lastLineUnfinished();
    }
    return true;
}

bool TextFile::lastLineUnfinished() {
    if (host::fileSize(file_) <= 0) {
        return false;
    }
    char last = '\n';
    const bool read = std::fseek(file_, -1, SEEK_END) == 0 && std::fread(&last, 1, 1, file_) == 1;
    std::clearerr(file_);
    std::fseek(file_, 0, SEEK_END); // reading and writing take turns only after a seek
    // A lone CR ends a line for every reader of these files, as LF does.
    return read && last != '\n' && last != '\r';
}

bool TextFile::openOutput(const std::string& name) {
    return openForWriting(name, Mode::Output);
}
bool TextFile::openAppend(const std::string& name) {
    return openForWriting(name, Mode::Append);
}
bool TextFile::openReplacement(const std::string& name) {
    return openForWriting(name, Mode::Replacement);
}

bool TextFile::closeFile() {
    bool ok = !writeFailed_;
    if (file_ != nullptr) {
        switch (mode_) {
        case Mode::Append:
            if (!pending_.empty()) {
                ok = writeOut(pending_) && ok;
            }
            ok = host::flushToDisk(file_) && ok;
            break;
        default:
            break;
        }
        ok = std::fclose(file_) == 0 && ok;
        file_ = nullptr;
    } else if (mode_ == Mode::Replacement) {
        ok = host::writeWholeFile(name_, pending_) && ok;
    }
    mode_ = Mode::None;
    name_.clear();
    buffer_.clear();
    bufferPos_ = 0;
    size_ = position_ = 0;
    hitEndMarker_ = false;
    pushedBack_ = -1;
    column_ = 0;
    pending_.clear();
    startOnNewLine_ = false;
    writeFailed_ = false;
    fromMemory_ = false;
    return ok;
}

// --- reading ---

bool TextFile::refill() {
    if (file_ == nullptr) {
        return false;
    }
    buffer_.resize(readChunk);
    const std::size_t got = std::fread(buffer_.data(), 1, readChunk, file_);
    buffer_.resize(got);
    bufferPos_ = 0;
    return got != 0;
}

int TextFile::rawByte() {
    // The refill stays out of line so that this path can be inlined.
    if (bufferPos_ == buffer_.size() && !refill()) {
        return endOfFile;
    }
    ++position_;
    return static_cast<unsigned char>(buffer_[bufferPos_++]);
}

int TextFile::getByte() {
    if (pushedBack_ >= 0) {
        return std::exchange(pushedBack_, -1);
    }
    if (mode_ != Mode::Input || hitEndMarker_) {
        return endOfFile;
    }
    const int c = rawByte();
    if (c == endOfFile || c == ctrlZ) {
        hitEndMarker_ = true;
        return endOfFile;
    }
    if (c == '\r') {
        const int next = rawByte();
        if (next == '\n') {
            return '\n'; // text mode: CR LF arrives as LF
        }
        if (next != endOfFile) {
            // Undo the look-ahead: the byte is still in the buffer.
            --bufferPos_;
            --position_;
        }
    }
    return c;
}

void TextFile::pushBack(int byte) {
    if (byte != endOfFile) {
        pushedBack_ = byte;
    }
}

bool TextFile::atEnd() {
    if (mode_ != Mode::Input) {
        return true;
    }
    if (pushedBack_ >= 0) {
        return false;
    }
    return hitEndMarker_ || position_ >= size_;
}

std::string TextFile::readItem(bool numberItem) {
    const std::size_t maximum = numberItem ? maxNumberItem : maxTextItem;
    std::string item;
    int c = getByte();
    while (isBlank(c)) {
        c = getByte();
    }
    if (c == endOfFile) {
        return item;
    }
    bool quoted = false;
    if (c == '"') {
        quoted = true;
        c = getByte();
    }
    bool skipToSeparator = false; // ended at a blank, a closing quote or the maximum
    for (;;) {
        if (c == endOfFile || c == '\n') {
            break;
        }
        if (c == '\r') {
            const int next = getByte();
            if (next != '\n') {
                pushBack(next);
            }
            break;
        }
        if (c == ',' && !quoted) {
            break;
        }
        if (c == '"' && quoted) {
            if (!numberItem) {
                skipToSeparator = true;
                break;
            }
            quoted = false; // a number item drops the closing quote and goes on
            c = getByte();
            continue;
        }
        if (numberItem && !quoted && isBlank(c)) {
            skipToSeparator = true;
            break;
        }
        item += static_cast<char>(c);
        if (!numberItem) {
            takePlainRun(item, quoted, maximum);
        }
        if (item.size() >= maximum) {
            skipToSeparator = true;
            break;
        }
        c = getByte();
    }
    if (skipToSeparator) {
        c = getByte();
        while (isBlank(c)) {
            c = getByte();
        }
        if (c == '\r') {
            const int next = getByte();
            if (next != '\n') {
                pushBack(next);
            }
        } else if (c != ',' && c != '\n') {
            pushBack(c);
        }
    }
    return item;
}

void TextFile::takePlainRun(std::string& item, bool quoted, std::size_t maximum) {
    // Copies at once the bytes that the loop of readItem would add one by one:
    // up to the next byte that ends or changes the item, within the buffer.
    if (pushedBack_ >= 0 || hitEndMarker_ || mode_ != Mode::Input) {
        return;
    }
    const std::size_t end = std::min(buffer_.size(), bufferPos_ + (maximum - item.size()));
    const char stop = quoted ? '"' : ',';
    const char* bytes = buffer_.data();
    std::size_t i = bufferPos_;
    // Eight bytes at a time while none of them is a stop byte.
    constexpr std::uint64_t ones = 0x0101010101010101u, low7 = 0x7F7F7F7F7F7F7F7Fu;
    auto zeroBytes = [](std::uint64_t x) { return ~(((x & low7) + low7) | x | low7); };
    const std::uint64_t lf = '\n' * ones, cr = '\r' * ones,
                        other = static_cast<unsigned char>(stop) * ones,
                        eof = static_cast<std::uint64_t>(ctrlZ) * ones;
    for (; i + 8 <= end; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes + i, 8);
        if ((zeroBytes(word ^ lf) | zeroBytes(word ^ cr) | zeroBytes(word ^ other) |
             zeroBytes(word ^ eof)) != 0) {
            break;
        }
    }
    for (; i < end; ++i) {
        const char b = bytes[i];
        if (b == '\n' || b == '\r' || b == stop || b == static_cast<char>(ctrlZ)) {
            break;
        }
    }
    item.append(bytes + bufferPos_, i - bufferPos_);
    position_ += static_cast<long long>(i - bufferPos_);
    bufferPos_ = i;
}

std::int32_t TextFile::readIntegerItem() {
    return integerFromItem(readItem(true));
}

std::string TextFile::readTextItem() {
    return readItem(false);
}

// --- writing ---

bool TextFile::writeOut(std::string_view bytes) {
    if (file_ == nullptr || bytes.empty()) {
        return file_ != nullptr;
    }
    std::string withLineStart;
    if (startOnNewLine_) {
        // In the same write as the line, so a failed write leaves neither.
        withLineStart = "\r\n" + std::string(bytes);
        bytes = withLineStart;
    }
    // A line appended to a full disk may get only partly out; the part is cut
    // off again so the log never holds a torn line.
    const long long sizeBefore = mode_ == Mode::Append ? host::fileSize(file_) : -1;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        writeFailed_ = true;
        if (sizeBefore >= 0) {
            std::clearerr(file_);
            host::truncateFile(file_, sizeBefore);
        }
        return false;
    }
    startOnNewLine_ = false;
    return true;
}

void TextFile::emit(std::string_view bytes) {
    if (mode_ == Mode::None || mode_ == Mode::Input) {
        return;
    }
    const auto lastBreak = bytes.find_last_of("\r\n");
    if (lastBreak == std::string_view::npos) {
        column_ += static_cast<std::int64_t>(bytes.size());
    } else {
        column_ = static_cast<std::int64_t>(bytes.size() - lastBreak - 1);
    }
    if (mode_ == Mode::Replacement) {
        pending_.append(bytes);
        return;
    }
    if (file_ == nullptr) {
        return;
    }
    if (mode_ != Mode::Append) {
        writeOut(bytes);
        return;
    }
    pending_.append(bytes);
    const auto lineEnd = pending_.find_last_of('\n');
    if (lineEnd != std::string::npos) {
        writeOut(std::string_view(pending_).substr(0, lineEnd + 1));
        pending_.erase(0, lineEnd + 1);
    }
}

void TextFile::writeNumber(std::int32_t value, FileEnding ending) {
    writeText(numberForm(value), ending);
}

void TextFile::writeText(std::string_view text, FileEnding ending) {
    emit(text);
    switch (ending) {
    case FileEnding::Nothing:
        break;
    case FileEnding::Zone:
        emit(std::string(static_cast<std::size_t>(14 - column_ % 14), ' '));
        break;
    case FileEnding::LineEnd:
        emit("\r\n");
        break;
    }
}

// --- free functions ---

bool fileExists(const std::string& name) {
    std::FILE* f = host::openFile(name, "rb");
    if (f == nullptr) {
        return false;
    }
    std::fclose(f);
    return true;
}

FileReading::FileReading(const std::string& name, long long limit) {
    file_ = host::openFile(name, "rb");
    if (file_ == nullptr) {
        return; // Unopenable
    }
    size_ = std::max(host::fileSize(file_), 0LL);
    if (size_ > limit) {
        result_.status = FileBytes::Status::TooLarge;
        std::fclose(file_);
        file_ = nullptr;
        return;
    }
    result_.status = FileBytes::Status::Read;
}

FileReading::~FileReading() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool FileReading::readSome(std::size_t bytes) {
    if (file_ == nullptr) {
        return true;
    }
    std::string& read = result_.bytes;
    bool done = false;
    while (bytes > 0 && !done) {
        const auto have = read.size();
        const auto part = static_cast<std::size_t>(std::min<long long>(
            {size_ - static_cast<long long>(have), static_cast<long long>(readChunk),
             static_cast<long long>(std::min<std::size_t>(bytes, readChunk))}));
        if (part == 0) {
            break;
        }
        read.resize(have + part);
        const std::size_t got = std::fread(read.data() + have, 1, part, file_);
        read.resize(have + got);
        bytes -= std::min(bytes, part);
        done = got < part; // the file was cut short meanwhile, or a read failed
    }
    if (!done && static_cast<long long>(read.size()) < size_) {
        return false;
    }
    if (std::ferror(file_) != 0) {
        result_.status = FileBytes::Status::Failed;
        read.clear();
    }
    std::fclose(file_);
    file_ = nullptr;
    return true;
}

FileBytes readFileUpTo(const std::string& name, long long limit) {
    FileReading reading(name, limit);
    while (!reading.readSome(static_cast<std::size_t>(-1))) {
    }
    return reading.take();
}

std::string numberForm(std::int32_t value) {
    std::string text = value >= 0 ? std::string(" ") : std::string();
    text += std::to_string(value);
    return text;
}

std::string numberText(std::int32_t value) {
    return std::to_string(value);
}

std::string trimLeft(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first));
}

std::string dateText(const LocalTime& now) {
    char text[40];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", now.month, now.day, now.year);
    return text;
}

std::string timeText(const LocalTime& now) {
    char text[40];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour, now.minute, now.second);
    return text;
}

namespace {
// Results beyond the 32-bit range saturate and NaN gives 0: the game's own
// values never get there, and C++ leaves such conversions undefined.
std::int32_t saturate(double x) {
    if (std::isnan(x)) {
        return 0;
    }
    if (x <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (x >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(x);
}
} // namespace

std::int32_t intFloor(double x) {
    return saturate(std::floor(x));
}

std::int32_t roundHalfEven(double x) {
    const double f = std::floor(x);
    const double diff = x - f;
    if (diff < 0.5) {
        return saturate(f);
    }
    if (diff > 0.5) {
        return saturate(f + 1);
    }
    return saturate(std::fmod(f, 2.0) == 0 ? f : f + 1);
}

std::int32_t integerFromItem(std::string_view item) {
    if (item.empty()) {
        return 0;
    }
    if (item[0] == '&' && item.size() >= 2) {
        const char kind = item[1];
        if (kind == 'H' || kind == 'h') {
            return integerInBase(item.substr(2), 16);
        }
        if (kind == 'O' || kind == 'o') {
            return integerInBase(item.substr(2), 8);
        }
        if (kind == 'B' || kind == 'b') {
            return integerInBase(item.substr(2), 2);
        }
        return integerInBase(item.substr(1), 8);
    }
    const auto floatMark = item.find_first_of(".EeDd");
    if (floatMark != std::string_view::npos && floatMark < item.find('&')) {
        return integerFromFloatItem(item);
    }
    std::size_t i = 0;
    bool negative = false;
    if (item[0] == '+' || item[0] == '-') {
        negative = item[0] == '-';
        i = 1;
    }
    std::uint64_t value = 0;
    for (; i < item.size() && item[i] >= '0' && item[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(item[i] - '0');
        if (value > 0xFFFFFFFFull) {
            return -1;
        }
    }
    return wrapMagnitude(static_cast<double>(value), negative);
}

} // namespace schlingo::platform
