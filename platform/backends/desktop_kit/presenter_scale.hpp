#pragma once
// Whole-number scaling of the game's picture in its window. The game draws in
// its own pixels (940 x 320, 400 x 400); a presenter shows every game pixel as
// an n x n block, centred on black when the window is larger, and divides the
// pointer back. Only the presenters use this; the game never sees the factor.

#include <string_view>

namespace schlingo::platform {

inline constexpr int maxRequestedScale = 4;

// The factor the window opens with. `requested` is SCHLINGO_SCALE and wins when
// it is a whole number from 1 to maxRequestedScale; then the desktop's own
// factor: `desktopScale` (GDK_SCALE, a whole number of 1 or more), else
// `desktopDpi` (Xft.dpi) / 96 rounded down. At least 1. Unset values are empty.
int chooseScale(std::string_view requested, std::string_view desktopScale = {},
                std::string_view desktopDpi = {});

// The largest factor from 1 to `wanted` at which a frame of frameWidth x
// frameHeight game pixels fits an area of areaWidth x areaHeight (the screen's
// work area less the window's frame): a window never opens larger than the
// screen. Never below 1, even where factor 1 does not fit either.
int fittingScale(int wanted, int frameWidth, int frameHeight, int areaWidth, int areaHeight);

// A Wayland output's whole scale, the one its windows' buffers are drawn at:
// its width in device pixels over its width in logical pixels, rounded up (a
// fractional scale of 1.5 draws at 2 and lets the compositor shrink). At
// least 1.
int outputScale(int deviceWidth, int logicalWidth);

// True when `requested` asks for a factor chooseScale takes (Windows leaves the
// scaling to the system otherwise).
bool scaleRequested(std::string_view requested);
// True when `desktopScale` names a factor, so that Xft.dpi is not needed.
bool desktopScaleGiven(std::string_view desktopScale);

// The value of Xft.dpi in an X resource database text ("Xft.dpi:\t192\n..."),
// empty when it has none.
std::string_view xftDpiResource(std::string_view resources);

// A game pixel position; (-1, -1) is outside the picture.
struct GamePoint {
    int x = -1, y = -1;
    bool inside() const { return x >= 0 && y >= 0; }
    bool operator==(const GamePoint&) const = default;
};

// Where the picture lies in the window's client area.
struct Placement {
    int factor = 1;
    int left = 0, top = 0;               // client pixel of game pixel (0, 0)
    int frameWidth = 0, frameHeight = 0; // game pixels

    int width() const { return frameWidth * factor; }
    int height() const { return frameHeight * factor; }
    // The game pixel under client pixel (x, y), or (-1, -1) outside the picture.
    GamePoint toGame(int x, int y) const;
    // The game pixel nearest to client pixel (x, y): a held button keeps the
    // pointer, so outside the picture it stays at the picture's edge.
    GamePoint nearestGame(int x, int y) const;
};

// The largest whole factor at which the frame fits the client area (at least
// 1), centred; a client smaller than the frame shows it from its top-left.
Placement placePicture(int frameWidth, int frameHeight, int clientWidth, int clientHeight);

} // namespace schlingo::platform
