#include "platform/machine/display.hpp"

#include "platform/machine/text_codec.hpp"

#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace schlingo::platform {

namespace {

struct BiosCodes {
    int plain, shift, ctrl;
};

// PC BIOS extended codes, indexed like NamedKey. F10 is a system key and posts
// nothing, so it has no codes here.
constexpr BiosCodes biosTable[] = {
    {72, 72, 141},   {80, 80, 145},   {75, 75, 115}, {77, 77, 116}, {82, 82, 146}, // Up..Insert
    {83, 83, 147},   {71, 71, 119},   {79, 79, 117}, {73, 73, 132}, {81, 81, 118}, // ..PageDown
    {59, 84, 94},    {60, 85, 95},    {61, 86, 96},  {62, 87, 97},  {63, 88, 98},  // F1..F5
    {64, 89, 99},    {65, 90, 100},   {66, 91, 101}, {67, 92, 102}, {0, 0, 0},     // ..F10
    {133, 135, 137}, {134, 136, 138},                                              // F11, F12
};
static_assert(std::size(biosTable) == static_cast<std::size_t>(NamedKey::F12) + 1);

} // namespace

std::uint32_t typedKeyCode(char32_t codePoint) {
    // A character the ANSI code page lacks arrives as '?', as in an ANSI window.
    const unsigned char ansi = codePointToCp1252(codePoint).value_or('?');
    return static_cast<unsigned char>(toOem(std::string(1, static_cast<char>(ansi)))[0]);
}

int biosExtendedCode(NamedKey key, bool shift, bool ctrl) {
    const auto index = static_cast<std::size_t>(key);
    if (index >= std::size(biosTable))
        return 0;
    const BiosCodes& codes = biosTable[index];
    // Ctrl wins over Shift, as on the PC keyboard.
    return ctrl ? codes.ctrl : shift ? codes.shift : codes.plain;
}

Display::Display(Backend& backendToUse)
    : backend(backendToUse), door(backendToUse, backendToUse, lock), screen(backendToUse, lock),
      input(door, lock) {
    screen.setOpenHook([this] { input.screenOpened(screen.width(), screen.height()); });
    screen.setFailureHook(
        [this](const std::string& reason) { reportWindowFailure(backend, backend, reason); });
    backend.attach(*this);
}

bool Display::deliver(std::span<const InputEvent> events, bool wait) {
    // A presenter's pass without events (a timer, a wake) changes nothing:
    // the game thread sleeps on.
    if (events.empty())
        return true;
    std::unique_lock guard(lock, std::defer_lock);
    if (!wait && !guard.try_lock())
        return false;
    if (wait)
        guard.lock();
    for (const InputEvent& e : events) {
        switch (e.kind) {
        case InputEvent::Kind::KeyDown:
        case InputEvent::Kind::KeyUp:
            input.keyEvent(e.code, e.kind == InputEvent::Kind::KeyDown, e.extended);
            break;
        case InputEvent::Kind::Typed:
            input.postKey(typedKeyCode(static_cast<char32_t>(e.code)), e.repeat);
            break;
        case InputEvent::Kind::Named:
            if (const int bios = biosExtendedCode(static_cast<NamedKey>(e.code), e.shift, e.ctrl))
                input.postKey(255u + 256u * static_cast<std::uint32_t>(bios), e.repeat);
            break;
        case InputEvent::Kind::Pointer:
            input.pointerMoved(e.x, e.y, e.inside);
            break;
        case InputEvent::Kind::Button:
            input.buttonChanged(e.code, e.down, e.touch);
            break;
        case InputEvent::Kind::Wheel:
            input.wheelMoved(e.code);
            break;
        case InputEvent::Kind::Close:
            input.postKey(closeRequestCode);
            break;
        case InputEvent::Kind::Focus:
            input.setActive(e.inside);
            break;
        }
    }
    door.batchDelivered();
    return true;
}

void reportWindowFailure(Dialogs& dialogs, Process& process, const std::string& reason) {
    MessageBox box;
    box.text = "Schlingo kann das Spielfenster nicht \366ffnen (" + reason + ").";
    std::fprintf(stderr, "%s\n", cp1252ToUtf8(box.text).c_str());
    std::fflush(stderr);
    dialogs.showMessage(box);
    process.exitProcess(1);
    std::abort(); // an exitProcess that returned
}

} // namespace schlingo::platform
