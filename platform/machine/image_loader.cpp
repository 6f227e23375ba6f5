#include "platform/machine/image_loader.hpp"

#include "platform/seam/host.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace schlingo::platform {

namespace {

constexpr std::size_t maxPathBytes = 259;
constexpr int fileHeaderSize = 14;

// One open picture file; every read is bounds-checked against the file's size,
// so offsets and sizes from the file never reach past its end. Files up to
// wholeFileLimit are read in one go: a picture then costs a single read call
// instead of one per row.
class PictureFile {
public:
    explicit PictureFile(std::FILE* file) : file_(file) {
        const long long size = host::fileSize(file_);
        size_ = size < 0 ? 0 : static_cast<std::uint64_t>(size);
        if (file_ != nullptr && size_ <= wholeFileLimit) {
            contents_.resize(static_cast<std::size_t>(size_));
            const std::size_t got = std::fread(contents_.data(), 1, contents_.size(), file_);
            failed_ = std::ferror(file_) != 0;
            contents_.resize(got);
            size_ = got;
            whole_ = true;
        }
    }
    ~PictureFile() {
        if (file_ != nullptr)
            std::fclose(file_);
    }
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    std::uint64_t size() const { return size_; }
    bool failed() const { return failed_ || file_ == nullptr || std::ferror(file_) != 0; }

    // Reads exactly `count` bytes at `offset`; false when they are not all there.
    bool readAt(std::uint64_t offset, void* target, std::size_t count) {
        if (offset > size_ || count > size_ - offset)
            return false;
        return readUpTo(offset, target, count) == count;
    }
    // Reads up to `count` bytes at `offset`; the number read.
    std::size_t readUpTo(std::uint64_t offset, void* target, std::size_t count) {
        if (offset >= size_ || count == 0)
            return 0;
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
        if (whole_) {
            std::memcpy(target, contents_.data() + offset, n);
            return n;
        }
        if (offset > maxSeek || std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0)
            return 0;
        return std::fread(target, 1, n, file_);
    }

private:
    static constexpr std::uint64_t wholeFileLimit = 16u << 20;
    // fseek takes a long, 32 bits on Windows.
    static constexpr std::uint64_t maxSeek = 0x7FFFFFFF;
    std::FILE* file_;
    std::uint64_t size_ = 0;
    std::vector<std::uint8_t> contents_;
    bool whole_ = false;
    bool failed_ = false;
};

std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Block files: an image buffer byte for byte, header included.
int loadBlock(PictureFile& file, bool longForm, Image image) {
    // Long: marker, 4-byte length. Short: marker, segment and offset (ignored),
    // 2-byte length.
    std::uint8_t head[7];
    const std::size_t headSize = longForm ? 5 : 7;
    if (!file.readAt(0, head, headSize))
        return StatusReadError;
    const std::uint64_t length = longForm ? u32(head + 1) : u16(head + 5);
    // Refused rather than cut: a block longer than the buffer is not this image.
    if (length > image->size)
        return StatusReadError;
    std::vector<std::uint8_t> result(image->bytes, image->bytes + image->size);
    const std::size_t got =
        file.readUpTo(headSize, result.data(), static_cast<std::size_t>(length));
    if (file.failed())
        return StatusReadError;
    // The header it brings must describe rows inside this buffer, or putImage
    // would later read beyond it.
    ImageLayout layout;
    if (!readImageLayout(result.data(), result.size(), layout))
        return StatusReadError;
    std::memcpy(image->bytes, result.data(), got); // a short file: the bytes read are in place
    return StatusOk;
}

struct Masks {
    std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

// One channel of a mask, widened to 8 bits.
class Channel {
public:
    explicit Channel(std::uint32_t mask) : mask_(mask) {
        if (mask == 0)
            return;
        while (((mask >> shift_) & 1) == 0)
            ++shift_;
        int highest = 31;
        while (((mask >> highest) & 1) == 0)
            --highest;
        width_ = highest - shift_ + 1;
    }
    std::uint32_t operator()(std::uint32_t pixel) const {
        if (width_ == 0)
            return 0;
        const std::uint32_t v = (pixel & mask_) >> shift_;
        if (width_ > 8)
            return (v >> (width_ - 8)) & 0xFF;
        if (width_ >= 4)
            return ((v << (8 - width_)) | (v >> (2 * width_ - 8))) & 0xFF;
        // Narrower than 4 bits: the bits repeated down to fill the byte, so
        // the largest value is still 255.
        std::uint32_t out = 0;
        for (int filled = 0; filled < 8; filled += width_)
            out |= (v << (8 - width_)) >> filled;
        return out & 0xFF;
    }

private:
    std::uint32_t mask_;
    int shift_ = 0;
    int width_ = 0;
};

int loadBitmap(PictureFile& file, Image image) {
    std::uint8_t head[fileHeaderSize + 4];
    if (!file.readAt(0, head, sizeof head))
        return StatusReadError;
    const std::uint16_t signature = u16(head);
    const std::uint32_t dataOffset = u32(head + 10);
    const std::uint32_t infoSize = u32(head + 14);

    std::int64_t width, height;
    std::uint32_t planes, bitsPerPixel, compression = 0;
    Masks masks;
    bool headerMasks = false;
    if (infoSize == 12) {
        std::uint8_t info[12];
        if (!file.readAt(fileHeaderSize, info, sizeof info))
            return StatusReadError;
        width = u16(info + 4);
        height = u16(info + 6);
        planes = u16(info + 8);
        bitsPerPixel = u16(info + 10);
    } else if (infoSize == 40 || infoSize == 56 || infoSize == 108 || infoSize == 124) {
        std::uint8_t info[56];
        const std::size_t wanted = infoSize == 40 ? 40 : 56;
        if (!file.readAt(fileHeaderSize, info, wanted))
            return StatusReadError;
        width = static_cast<std::int32_t>(u32(info + 4));
        height = static_cast<std::int32_t>(u32(info + 8));
        planes = u16(info + 12);
        bitsPerPixel = u16(info + 14);
        compression = u32(info + 16);
        if (infoSize != 40) {
            masks = {u32(info + 40), u32(info + 44), u32(info + 48), u32(info + 52)};
            headerMasks = true;
        }
    } else {
        return StatusReadError;
    }

    if (signature != 0x4D42 || planes > 1 || width < 1 || height == 0 || compression > 3 ||
        bitsPerPixel > 32)
        return StatusReadError;
    // Zero bits per pixel would make rows of no bytes: not a picture we can read.
    if (bitsPerPixel == 0)
        return StatusReadError;
    const bool topDown = height < 0;
    if (topDown && compression != 0 && compression != 3)
        return StatusReadError;
    const std::int64_t rows = topDown ? -height : height;

    // Palette or masks.
    std::vector<Pixel> palette;
    std::uint64_t paletteBytes = 0;
    if (bitsPerPixel <= 8) {
        const std::size_t entries = std::size_t{1} << bitsPerPixel;
        const std::size_t entrySize = infoSize == 12 ? 3 : 4;
        std::vector<std::uint8_t> raw(entries * entrySize);
        if (!file.readAt(fileHeaderSize + infoSize, raw.data(), raw.size()))
            return StatusReadError;
        palette.resize(entries);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = raw.data() + i * entrySize;
            palette[i] = 0xFF000000u | std::uint32_t{e[2]} << 16 | std::uint32_t{e[1]} << 8 | e[0];
        }
        paletteBytes = raw.size();
    } else if (compression == 3) {
        if (!headerMasks) {
            std::uint8_t raw[12];
            if (!file.readAt(fileHeaderSize + infoSize, raw, sizeof raw))
                return StatusReadError;
            masks = {u32(raw), u32(raw + 4), u32(raw + 8), 0};
        }
    } else if (bitsPerPixel > 16) {
        masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    } else {
        masks = {0x7C00, 0x03E0, 0x001F, 0};
    }

    // The target: the image's own header gives its size.
    ImageLayout layout;
    if (!readImageLayout(image->bytes, image->size, layout))
        return StatusIllegal;
    const bool indexed = bitsPerPixel <= 8;
    if (layout.bytesPerPixel == 1 ? !indexed : layout.bytesPerPixel != 4)
        return StatusIllegal;

    const std::uint64_t bytesPerPixel = (bitsPerPixel + 7) / 8;
    const std::uint64_t rowBits =
        indexed ? std::uint64_t(width) * bitsPerPixel : std::uint64_t(width) * bytesPerPixel * 8;
    const std::uint64_t rowBytes = (rowBits + 31) / 32 * 4;
    const std::uint64_t start =
        dataOffset != 0 ? dataOffset : fileHeaderSize + infoSize + paletteBytes;
    // Rows wholly inside the file; counted, not multiplied, so no size overflows.
    const std::uint64_t completeRows = start <= file.size() ? (file.size() - start) / rowBytes : 0;

    const int columns = static_cast<int>(std::min<std::int64_t>(width, layout.width));
    const int targetRows = static_cast<int>(std::min<std::int64_t>(rows, layout.height));
    const std::size_t readBytes = static_cast<std::size_t>(
        (std::uint64_t(columns) * (indexed ? bitsPerPixel : bytesPerPixel * 8) + 7) / 8);
    std::vector<std::uint8_t> row(readBytes + 2, 0); // spare bytes for the bit reader below
    const Channel red(masks.red), green(masks.green), blue(masks.blue), alpha(masks.alpha);
    const bool withAlpha = bitsPerPixel > 24;

    for (int y = 0; y < targetRows; ++y) {
        const std::uint64_t fileRow = topDown ? std::uint64_t(y) : std::uint64_t(rows - 1 - y);
        if (fileRow >= completeRows)
            continue; // the file ended before this row
        if (!file.readAt(start + fileRow * rowBytes, row.data(), readBytes))
            return StatusReadError;
        std::uint8_t* target = image->bytes + layout.offset + std::size_t(y) * layout.pitch;
        for (int x = 0; x < columns; ++x) {
            if (indexed) {
                const std::uint64_t bit = std::uint64_t(x) * bitsPerPixel;
                const std::uint8_t* p = row.data() + bit / 8;
                const std::uint32_t window = std::uint32_t(p[0]) << 8 | p[1];
                const std::uint32_t index =
                    (window >> (16 - bitsPerPixel - bit % 8)) & ((1u << bitsPerPixel) - 1);
                if (layout.bytesPerPixel == 1) {
                    target[x] = static_cast<std::uint8_t>(index);
                } else {
                    const Pixel out = palette[index];
                    std::memcpy(target + 4 * x, &out, 4);
                }
                continue;
            }
            const std::uint8_t* p = row.data() + std::size_t(x) * bytesPerPixel;
            std::uint32_t value = p[0];
            if (bytesPerPixel > 1)
                value |= std::uint32_t(p[1]) << 8;
            if (bytesPerPixel > 2)
                value |= std::uint32_t(p[2]) << 16;
            if (bytesPerPixel > 3)
                value |= std::uint32_t(p[3]) << 24;
            const std::uint32_t a = withAlpha ? alpha(value) : 0xFF;
            const Pixel out = a << 24 | red(value) << 16 | green(value) << 8 | blue(value);
            std::memcpy(target + 4 * x, &out, 4);
        }
    }
    return completeRows < std::uint64_t(rows) ? StatusReadError : StatusOk;
}

} // namespace

int loadImageFile(const std::string& path, Image image) {
    if (image == nullptr || image->bytes == nullptr)
        return StatusIllegal;
    std::string name = path.substr(0, std::min(path.size(), maxPathBytes));
    name = name.substr(0, name.find('\0'));
    for (char& c : name)
        if (c == '/' || c == '\\')
            c = host::pathSeparator();
    PictureFile file(host::openFile(name, "rb"));
    if (!file.isOpen())
        return StatusCannotOpen;
    std::uint8_t first = 0;
    if (file.failed() || !file.readAt(0, &first, 1))
        return StatusReadError;
    switch (first) {
    case 0xFE:
        return loadBlock(file, true, image);
    case 0xFD:
        return loadBlock(file, false, image);
    case 'B':
        return loadBitmap(file, image);
    default:
        return StatusReadError;
    }
}

} // namespace schlingo::platform
