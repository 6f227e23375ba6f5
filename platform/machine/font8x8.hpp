#pragma once
// The screen's 8 x 8 font: one glyph per code page 437 character. Each glyph is
// eight rows from the top; in a row bit 7 is the leftmost pixel.

#include <cstdint>

namespace schlingo::platform {

extern const std::uint8_t font8x8[256][8];

} // namespace schlingo::platform
