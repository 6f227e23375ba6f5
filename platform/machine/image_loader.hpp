#pragma once
// Fills an image buffer from a picture file: long (0xFE) and short (0xFD) block
// files holding an image buffer byte for byte, and Windows bitmaps. Game thread only.

#include "platform/machine/screen.hpp"

#include <string>

namespace schlingo::platform {

// path: Windows-1252, at most its first 259 bytes are used; "/" and "\" both
// separate. Returns a status code (0, 1, 2 or 3). Never reads or writes outside
// the image's allocation, whatever the file holds.
int loadImageFile(const std::string& path, Image image);

} // namespace schlingo::platform
