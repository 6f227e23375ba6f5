#pragma once
// A plain pixel canvas with the few drawing shapes the game's pictures need.
// Integer arithmetic only, so every build draws the same pixels.

#include <cstdint>
#include <vector>

namespace schlingo::content {

using Colour = std::uint32_t; // 0xAARRGGBB; pictures without alpha use 0xFF

constexpr Colour rgb(std::uint32_t value) {
    return 0xFF000000u | value;
}

class Canvas {
public:
    Canvas(int width, int height, Colour fill);

    int width() const { return width_; }
    int height() const { return height_; }
    Colour at(int x, int y) const { return pixels_[index(x, y)]; }
    // Outside the canvas: nothing happens.
    void set(int x, int y, Colour colour);
    void fillRect(int x1, int y1, int x2, int y2, Colour colour); // corners inclusive
    void frameRect(int x1, int y1, int x2, int y2, Colour colour);
    // Filled rectangle with corners cut round by `radius` pixels.
    void fillRoundRect(int x1, int y1, int x2, int y2, int radius, Colour colour);
    // Line from (x1, y1) to (x2, y2) drawn with a square pen of `thickness` pixels.
    void line(int x1, int y1, int x2, int y2, int thickness, Colour colour);
    // Ellipse ring around (cx, cy): pixels whose normalised distance lies
    // between the inner and the outer radii.
    void ellipseRing(int cx, int cy, int rx, int ry, int thickness, Colour colour);
    void fillDisc(int cx, int cy, int radius, Colour colour);

    const std::vector<Colour>& pixels() const { return pixels_; }

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_, height_;
    std::vector<Colour> pixels_;
};

// A one-bit picture: the shapes of letters before they are coloured.
struct Mask {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bits; // row by row, 1 = set

    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               bits[static_cast<std::size_t>(y * width + x)] != 0;
    }
};

// Mask from rows of '#' (set) and '.' (clear), all of one length.
Mask maskFromRows(const std::vector<const char*>& rows);
// Doubles a mask with the Scale2x rule: diagonal steps come out smooth.
Mask scale2x(const Mask& mask);
// Plain nearest-neighbour enlargement.
Mask scaleBy(const Mask& mask, int factor);

} // namespace schlingo::content
