#include "tools/content/canvas.hpp"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace schlingo::content {

Canvas::Canvas(int width, int height, Colour fill)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

void Canvas::set(int x, int y, Colour colour) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) {
        pixels_[index(x, y)] = colour;
    }
}

void Canvas::fillRect(int x1, int y1, int x2, int y2, Colour colour) {
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x) {
            set(x, y, colour);
        }
    }
}

void Canvas::frameRect(int x1, int y1, int x2, int y2, Colour colour) {
    fillRect(x1, y1, x2, y1, colour);
    fillRect(x1, y2, x2, y2, colour);
    fillRect(x1, y1, x1, y2, colour);
    fillRect(x2, y1, x2, y2, colour);
}

void Canvas::fillRoundRect(int x1, int y1, int x2, int y2, int radius, Colour colour) {
    for (int y = y1; y <= y2; ++y) {
        for (int x = x1; x <= x2; ++x) {
            // Distance to the nearest corner centre, only inside the corner squares.
            const int cx = x < x1 + radius ? x1 + radius : (x > x2 - radius ? x2 - radius : x);
            const int cy = y < y1 + radius ? y1 + radius : (y > y2 - radius ? y2 - radius : y);
            const int dx = x - cx, dy = y - cy;
            if (dx * dx + dy * dy <= radius * radius) {
                set(x, y, colour);
            }
        }
    }
}

void Canvas::line(int x1, int y1, int x2, int y2, int thickness, Colour colour) {
    const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    const int before = (thickness - 1) / 2, after = thickness / 2;
    int err = dx + dy;
    for (;;) {
        fillRect(x1 - before, y1 - before, x1 + after, y1 + after, colour);
        if (x1 == x2 && y1 == y2) {
            break;
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y1 += sy;
        }
    }
}

void Canvas::ellipseRing(int cx, int cy, int rx, int ry, int thickness, Colour colour) {
    // Inside test scaled to integers: (x/rx)^2 + (y/ry)^2 <= 1.
    const auto inside = [](long long x, long long y, long long a, long long b) {
        return a > 0 && b > 0 && x * x * b * b + y * y * a * a <= a * a * b * b;
    };
    for (int y = cy - ry; y <= cy + ry; ++y) {
        for (int x = cx - rx; x <= cx + rx; ++x) {
            const int px = x - cx, py = y - cy;
            if (inside(px, py, rx, ry) && !inside(px, py, rx - thickness, ry - thickness)) {
                set(x, y, colour);
            }
        }
    }
}

void Canvas::fillDisc(int cx, int cy, int radius, Colour colour) {
    for (int y = cy - radius; y <= cy + radius; ++y) {
        for (int x = cx - radius; x <= cx + radius; ++x) {
            const int dx = x - cx, dy = y - cy;
            if (dx * dx + dy * dy <= radius * radius + radius / 2) {
                set(x, y, colour);
            }
        }
    }
}

Mask maskFromRows(const std::vector<const char*>& rows) {
    Mask mask;
    mask.height = static_cast<int>(rows.size());
    mask.width = rows.empty() ? 0 : static_cast<int>(std::strlen(rows.front()));
    for (const char* row : rows) {
        if (static_cast<int>(std::strlen(row)) != mask.width) {
            throw std::invalid_argument("mask rows differ in length");
        }
        for (const char* c = row; *c != '\0'; ++c) {
            mask.bits.push_back(*c == '#' ? 1 : 0);
        }
    }
    return mask;
}

Mask scale2x(const Mask& in) {
    Mask out;
    out.width = in.width * 2;
    out.height = in.height * 2;
    out.bits.assign(static_cast<std::size_t>(out.width * out.height), 0);
    const auto put = [&out](int x, int y, bool value) {
        out.bits[static_cast<std::size_t>(y * out.width + x)] = value ? 1 : 0;
    };
    for (int y = 0; y < in.height; ++y) {
        for (int x = 0; x < in.width; ++x) {
            const bool p = in.at(x, y);
            const bool a = in.at(x, y - 1), b = in.at(x + 1, y);
            const bool c = in.at(x - 1, y), d = in.at(x, y + 1);
            put(2 * x, 2 * y, (c == a && c != d && a != b) ? a : p);
            put(2 * x + 1, 2 * y, (a == b && a != c && b != d) ? b : p);
            put(2 * x, 2 * y + 1, (d == c && d != b && c != a) ? c : p);
            put(2 * x + 1, 2 * y + 1, (b == d && b != a && d != c) ? d : p);
        }
    }
    return out;
}

Mask scaleBy(const Mask& in, int factor) {
    Mask out;
    out.width = in.width * factor;
    out.height = in.height * factor;
    out.bits.resize(static_cast<std::size_t>(out.width * out.height));
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            out.bits[static_cast<std::size_t>(y * out.width + x)] =
                in.at(x / factor, y / factor) ? 1 : 0;
        }
    }
    return out;
}

} // namespace schlingo::content
