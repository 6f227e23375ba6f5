#include "tools/content/bitmap_file.hpp"

#include <algorithm>
#include <array>
#include <map>
#include <stdexcept>

namespace schlingo::content {
namespace {

void put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::uint32_t get16(const Bytes& in, std::size_t at) {
    return static_cast<std::uint32_t>(in[at]) | static_cast<std::uint32_t>(in[at + 1]) << 8;
}

std::uint32_t get32(const Bytes& in, std::size_t at) {
    return get16(in, at) | get16(in, at + 2) << 16;
}

std::size_t rowStride(int width, int bitsPerPixel) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
}

// BITMAPINFOHEADER; height may be doubled for icon images.
void putInfoHeader(Bytes& out, int width, int height, int bits, std::uint32_t imageSize) {
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(bits));
    put32(out, 0); // no compression
    put32(out, imageSize);
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
}

} // namespace

Bytes encodeBitmap(const Canvas& canvas) {
    const int w = canvas.width(), h = canvas.height();
    std::map<std::uint32_t, std::uint8_t> palette; // 0xRRGGBB -> index, sorted
    for (Colour c : canvas.pixels()) {
        palette.emplace(c & 0xFFFFFF, 0);
        if (palette.size() > 256) {
            break;
        }
    }
    const bool indexed = palette.size() <= 256;
    const int bits = indexed ? 8 : 24;
    const std::size_t stride = rowStride(w, bits);
    const std::size_t paletteBytes = indexed ? 256 * 4 : 0;
    const std::size_t dataOffset = 14 + 40 + paletteBytes;
    const std::size_t dataSize = stride * static_cast<std::size_t>(h);

    Bytes out;
    out.reserve(dataOffset + dataSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, static_cast<std::uint32_t>(dataOffset + dataSize));
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(dataOffset));
    putInfoHeader(out, w, h, bits, static_cast<std::uint32_t>(dataSize));
    if (indexed) {
        std::uint8_t next = 0;
        for (auto& [colour, slot] : palette) {
            slot = next++;
            put32(out, colour); // blue, green, red, 0
        }
        out.resize(dataOffset, 0);
    }
    for (int y = h - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < w; ++x) {
            const Colour c = canvas.at(x, y) & 0xFFFFFF;
            if (indexed) {
                out.push_back(palette.at(c));
            } else {
                out.push_back(static_cast<std::uint8_t>(c & 0xFF));
                out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
                out.push_back(static_cast<std::uint8_t>((c >> 16) & 0xFF));
            }
        }
        out.resize(rowStart + stride, 0);
    }
    return out;
}

std::optional<Canvas> decodeBitmap(const Bytes& in) {
    if (in.size() < 54 || in[0] != 'B' || in[1] != 'M' || get32(in, 14) != 40) {
        return std::nullopt;
    }
    const auto w = static_cast<std::int32_t>(get32(in, 18));
    const auto h = static_cast<std::int32_t>(get32(in, 22));
    const std::uint32_t bits = get16(in, 28);
    if (w <= 0 || h <= 0 || w > 4096 || h > 4096 || get32(in, 30) != 0 ||
        (bits != 8 && bits != 24)) {
        return std::nullopt;
    }
    const std::size_t offset = get32(in, 10);
    const std::size_t stride = rowStride(w, static_cast<int>(bits));
    if (offset + stride * static_cast<std::size_t>(h) > in.size() ||
        (bits == 8 && offset < 54 + 1024)) {
        return std::nullopt;
    }
    Canvas canvas(w, h, 0);
    for (int y = 0; y < h; ++y) {
        const std::size_t row = offset + stride * static_cast<std::size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            std::uint32_t value;
            if (bits == 8) {
                value = get32(
                    in, 54 + 4 * static_cast<std::size_t>(in[row + static_cast<std::size_t>(x)]));
            } else {
                const std::size_t p = row + 3 * static_cast<std::size_t>(x);
                value = static_cast<std::uint32_t>(in[p]) |
                        static_cast<std::uint32_t>(in[p + 1]) << 8 |
                        static_cast<std::uint32_t>(in[p + 2]) << 16;
            }
            canvas.set(x, y, rgb(value & 0xFFFFFF));
        }
    }
    return canvas;
}

Bytes encodeIcon(const std::vector<Canvas>& images) {
    std::vector<Bytes> bodies;
    for (const Canvas& image : images) {
        const int n = image.width();
        if (n != image.height() || n < 1 || n > 256) {
            throw std::invalid_argument("icon images are squares of 1 to 256 pixels");
        }
        const std::size_t maskStride = rowStride(n, 1);
        Bytes body;
        putInfoHeader(body, n, 2 * n, 32,
                      static_cast<std::uint32_t>((4 * static_cast<std::size_t>(n) + maskStride) *
                                                 static_cast<std::size_t>(n)));
        for (int y = n - 1; y >= 0; --y) {
            for (int x = 0; x < n; ++x) {
                put32(body, image.at(x, y)); // 0xAARRGGBB is B, G, R, A in memory order
            }
        }
        for (int y = n - 1; y >= 0; --y) {
            Bytes row(maskStride, 0);
            for (int x = 0; x < n; ++x) {
                if ((image.at(x, y) >> 24) == 0) {
                    row[static_cast<std::size_t>(x / 8)] |=
                        static_cast<std::uint8_t>(0x80 >> (x % 8));
                }
            }
            body.insert(body.end(), row.begin(), row.end());
        }
        bodies.push_back(std::move(body));
    }
    Bytes out;
    put16(out, 0);
    put16(out, 1); // icon
    put16(out, static_cast<std::uint32_t>(images.size()));
    std::size_t offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int n = images[i].width();
        out.push_back(static_cast<std::uint8_t>(n == 256 ? 0 : n));
        out.push_back(static_cast<std::uint8_t>(n == 256 ? 0 : n));
        out.push_back(0); // no palette
        out.push_back(0);
        put16(out, 1);  // planes
        put16(out, 32); // bits per pixel
        put32(out, static_cast<std::uint32_t>(bodies[i].size()));
        put32(out, static_cast<std::uint32_t>(offset));
        offset += bodies[i].size();
    }
    for (const Bytes& body : bodies) {
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

Bytes rawBgra(const Canvas& canvas) {
    Bytes out;
    out.reserve(canvas.pixels().size() * 4);
    for (Colour c : canvas.pixels()) {
        put32(out, c);
    }
    return out;
}

namespace {

void putBig32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void putChunk(Bytes& out, const char* type, const Bytes& data) {
    putBig32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, crc32(out.data() + start, out.size() - start));
}

// Deflate bits go out from the least significant bit of each byte; Huffman
// codes go most significant bit first.
class BitWriter {
public:
    explicit BitWriter(Bytes& out) : out_(out) {}
    void bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            bit((value >> i) & 1);
        }
    }
    void code(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            bit((value >> i) & 1);
        }
    }
    void flush() {
        if (used_ > 0) {
            out_.push_back(byte_);
            byte_ = 0;
            used_ = 0;
        }
    }

private:
    void bit(std::uint32_t b) {
        byte_ = static_cast<std::uint8_t>(byte_ | b << used_);
        if (++used_ == 8) {
            flush();
        }
    }
    Bytes& out_;
    std::uint8_t byte_ = 0;
    int used_ = 0;
};

// A literal or length symbol in the fixed Huffman code.
void putSymbol(BitWriter& w, int symbol) {
    if (symbol < 144) {
        w.code(static_cast<std::uint32_t>(0x30 + symbol), 8);
    } else if (symbol < 256) {
        w.code(static_cast<std::uint32_t>(0x190 + symbol - 144), 9);
    } else if (symbol < 280) {
        w.code(static_cast<std::uint32_t>(symbol - 256), 7);
    } else {
        w.code(static_cast<std::uint32_t>(0xC0 + symbol - 280), 8);
    }
}

// Index of the largest base not above value.
template <std::size_t N>
std::size_t baseIndex(const std::array<std::uint16_t, N>& bases, std::size_t value) {
    std::size_t i = 0;
    while (i + 1 < N && bases[i + 1] <= value) {
        ++i;
    }
    return i;
}

constexpr std::array<std::uint16_t, 29> lengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> lengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> distanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> distanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                        4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                        9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// One fixed-Huffman deflate block. The only back-references tried are the
// pixel before and the row above: the icons are flat blocks of colour, and
// these two find nearly every repeat in them.
Bytes deflateRows(const Bytes& data, std::size_t pixelBytes, std::size_t rowBytes) {
    Bytes out;
    BitWriter w(out);
    w.bits(1, 1); // the last block
    w.bits(1, 2); // fixed Huffman codes
    const std::size_t n = data.size();
    for (std::size_t at = 0; at < n;) {
        std::size_t bestLength = 0, bestDistance = 0;
        for (std::size_t distance : {pixelBytes, rowBytes}) {
            if (distance == 0 || distance > at || distance > 32768) {
                continue;
            }
            std::size_t length = 0;
            while (length < 258 && at + length < n &&
                   data[at + length] == data[at + length - distance]) {
                ++length;
            }
            if (length > bestLength) {
                bestLength = length;
                bestDistance = distance;
            }
        }
        if (bestLength < 3) {
            putSymbol(w, data[at]);
            ++at;
            continue;
        }
        const std::size_t l = baseIndex(lengthBase, bestLength);
        putSymbol(w, 257 + static_cast<int>(l));
        w.bits(static_cast<std::uint32_t>(bestLength - lengthBase[l]), lengthExtra[l]);
        const std::size_t d = baseIndex(distanceBase, bestDistance);
        w.code(static_cast<std::uint32_t>(d), 5);
        w.bits(static_cast<std::uint32_t>(bestDistance - distanceBase[d]), distanceExtra[d]);
        at += bestLength;
    }
    putSymbol(w, 256); // end of block
    w.flush();
    return out;
}

} // namespace

Bytes encodePng(const Canvas& canvas) {
    const int w = canvas.width(), h = canvas.height();
    Bytes rows; // each row: filter type 0, then R, G, B, A per pixel
    for (int y = 0; y < h; ++y) {
        rows.push_back(0);
        for (int x = 0; x < w; ++x) {
            const Colour c = canvas.at(x, y);
            for (int shift : {16, 8, 0, 24}) {
                rows.push_back(static_cast<std::uint8_t>((c >> shift) & 0xFF));
            }
        }
    }
    Bytes zlib = {0x78, 0x01}; // deflate, 32 KiB window, no dictionary
    const Bytes packed = deflateRows(rows, 4, 1 + 4 * static_cast<std::size_t>(w));
    zlib.insert(zlib.end(), packed.begin(), packed.end());
    std::uint32_t a = 1, b = 0; // Adler-32 of the uncompressed rows
    for (std::uint8_t byte : rows) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(zlib, b << 16 | a);

    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    putBig32(header, static_cast<std::uint32_t>(w));
    putBig32(header, static_cast<std::uint32_t>(h));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, filters, no interlace
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", zlib);
    putChunk(out, "IEND", {});
    return out;
}

} // namespace schlingo::content
