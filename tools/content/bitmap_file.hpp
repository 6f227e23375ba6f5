#pragma once
// Windows bitmap, icon, PNG and raw pixel encodings of a canvas.

#include "tools/content/canvas.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace schlingo::content {

using Bytes = std::vector<std::uint8_t>;

// A bottom-up Windows bitmap with the 40-byte info header: 8 bits per pixel
// with a palette when the picture has at most 256 colours (smaller files),
// else 24 bits. Alpha is dropped. The palette is sorted, so equal canvases
// always give equal bytes.
Bytes encodeBitmap(const Canvas& canvas);

// Reads back the bitmaps encodeBitmap writes (8 and 24 bits, bottom-up,
// uncompressed); nullopt for anything else or a truncated file.
std::optional<Canvas> decodeBitmap(const Bytes& bytes);

// A Windows icon holding each canvas (square, at most 256 pixels) as a 32-bit
// image with alpha and the matching transparency mask.
Bytes encodeIcon(const std::vector<Canvas>& images);

// Rows from the top, each pixel as the bytes blue, green, red, alpha.
Bytes rawBgra(const Canvas& canvas);

// A PNG with 8-bit red, green, blue and alpha, its image data deflated by a
// small encoder of our own (fixed Huffman codes, repeats of the pixel before
// and of the row above): no compression library needed, and the blocky icons
// it is made for shrink to a few per cent.
Bytes encodePng(const Canvas& canvas);

} // namespace schlingo::content
