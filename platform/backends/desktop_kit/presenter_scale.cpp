#include "platform/backends/desktop_kit/presenter_scale.hpp"

#include <algorithm>
#include <optional>

namespace schlingo::platform {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A whole number of digits only, at most a few of them.
std::optional<int> wholeNumber(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Xft.dpi may carry a fraction ("144.5"); only its whole part counts.
std::optional<int> dpiValue(std::string_view text) {
    text = trimmed(text);
    if (const auto point = text.find('.'); point != std::string_view::npos)
        text = text.substr(0, point);
    return wholeNumber(text);
}

int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

bool scaleRequested(std::string_view requested) {
    const auto value = wholeNumber(requested);
    return value && *value >= 1 && *value <= maxRequestedScale;
}

bool desktopScaleGiven(std::string_view desktopScale) {
    const auto value = wholeNumber(desktopScale);
    return value && *value >= 1;
}

int chooseScale(std::string_view requested, std::string_view desktopScale,
                std::string_view desktopDpi) {
    if (scaleRequested(requested))
        return *wholeNumber(requested);
    if (desktopScaleGiven(desktopScale))
        return *wholeNumber(desktopScale);
    if (const auto dpi = dpiValue(desktopDpi))
        return std::max(1, *dpi / 96);
    return 1;
}

int fittingScale(int wanted, int frameWidth, int frameHeight, int areaWidth, int areaHeight) {
    int factor = std::max(1, wanted);
    while (factor > 1 && (frameWidth * factor > areaWidth || frameHeight * factor > areaHeight))
        --factor;
    return factor;
}

int outputScale(int deviceWidth, int logicalWidth) {
    if (deviceWidth <= 0 || logicalWidth <= 0)
        return 1;
    return std::max(1, (deviceWidth + logicalWidth - 1) / logicalWidth);
}

std::string_view xftDpiResource(std::string_view resources) {
    constexpr std::string_view name = "Xft.dpi:";
    while (!resources.empty()) {
        const auto end = resources.find('\n');
        const std::string_view line = resources.substr(0, end);
        if (line.substr(0, name.size()) == name)
            return trimmed(line.substr(name.size()));
        if (end == std::string_view::npos)
            break;
        resources.remove_prefix(end + 1);
    }
    return {};
}

GamePoint Placement::toGame(int x, int y) const {
    if (factor < 1 || x < left || y < top || x >= left + width() || y >= top + height())
        return {};
    return {(x - left) / factor, (y - top) / factor};
}

GamePoint Placement::nearestGame(int x, int y) const {
    if (factor < 1 || frameWidth <= 0 || frameHeight <= 0)
        return {};
    return {std::clamp(floorDiv(x - left, factor), 0, frameWidth - 1),
            std::clamp(floorDiv(y - top, factor), 0, frameHeight - 1)};
}

Placement placePicture(int frameWidth, int frameHeight, int clientWidth, int clientHeight) {
    Placement placement;
    placement.frameWidth = frameWidth;
    placement.frameHeight = frameHeight;
    if (frameWidth <= 0 || frameHeight <= 0)
        return placement;
    placement.factor = std::max(1, std::min(clientWidth / frameWidth, clientHeight / frameHeight));
    placement.left = std::max(0, (clientWidth - placement.width()) / 2);
    placement.top = std::max(0, (clientHeight - placement.height()) / 2);
    return placement;
}

} // namespace schlingo::platform
