// A keyboard and a pointer for the Wayland desktop tests: one virtual keyboard
// with the German keymap and one virtual pointer, kept for the whole run and
// driven by commands on stdin, one a line. Each command is answered on stdout
// with "ok" once the compositor has taken its events, or "error: ...".
//
//   key NAME[+NAME...]   press and release the last key with the others held
//                        (names: keysyms "Return", "h", "ä", or shift, ctrl,
//                        alt, altgr, super), e.g. "key ctrl+1"
//   keydown NAME, keyup NAME
//   type TEXT            every character by its key, with Shift or AltGr
//   move X Y             pointer to X, Y in logical pixels of the output
//   press [BUTTON], release [BUTTON], click [BUTTON]   left, right or middle
//   hold MS              how long key and click hold the key or button (50)
//   gap MS               pause after each key of key and type (100)
//   sleep MS
//
// The devices outlive the windows: a keyboard made per command (as one-shot
// tools do) reaches a window that has just been mapped only after the
// toolkit has taken the new keymap, and GTK's dialogs then miss the key.
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Output {
    std::int32_t width = 0, height = 0, scale = 1;
};

struct Globals {
    wl_seat* seat = nullptr;
    wl_output* output = nullptr;
    std::uint32_t pointerVersion = 0;
    zwlr_virtual_pointer_manager_v1* pointers = nullptr;
    zwp_virtual_keyboard_manager_v1* keyboards = nullptr;
    Output out;
};

void outputGeometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                    std::int32_t, const char*, const char*, std::int32_t) {}
void outputMode(void* data, wl_output*, std::uint32_t flags, std::int32_t w, std::int32_t h,
                std::int32_t) {
    auto* out = static_cast<Output*>(data);
    if (flags & WL_OUTPUT_MODE_CURRENT) {
        out->width = w;
        out->height = h;
    }
}
void outputDone(void*, wl_output*) {}
void outputScale(void* data, wl_output*, std::int32_t factor) {
    static_cast<Output*>(data)->scale = factor;
}
// Name and description come only from version 4; we bind version 2.
void outputText(void*, wl_output*, const char*) {}
const wl_output_listener outputListener = {outputGeometry, outputMode, outputDone,
                                           outputScale,    outputText, outputText};

void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
            std::uint32_t version) {
    auto* g = static_cast<Globals*>(data);
    const std::string iface = interface;
    if (iface == wl_seat_interface.name && !g->seat) {
        g->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (iface == wl_output_interface.name && !g->output) {
        g->output = static_cast<wl_output*>(
            wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 2u)));
        wl_output_add_listener(g->output, &outputListener, &g->out);
    } else if (iface == zwlr_virtual_pointer_manager_v1_interface.name) {
        g->pointerVersion = std::min(version, 2u);
        g->pointers = static_cast<zwlr_virtual_pointer_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_virtual_pointer_manager_v1_interface, g->pointerVersion));
    } else if (iface == zwp_virtual_keyboard_manager_v1_interface.name) {
        g->keyboards = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
}
void globalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener registryListener = {global, globalRemove};

std::uint32_t now() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void pause(int ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// One code point from UTF-8 text, or nothing when TEXT is not exactly one.
std::optional<std::uint32_t> singleCodePoint(const std::string& text, std::size_t& at) {
    const auto c = static_cast<unsigned char>(text[at]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || at + extra >= text.size())
        return std::nullopt;
    std::uint32_t cp = extra == 0 ? c : c & (0x3f >> extra);
    for (int i = 1; i <= extra; ++i) {
        const auto d = static_cast<unsigned char>(text[at + i]);
        if ((d >> 6) != 2)
            return std::nullopt;
        cp = (cp << 6) | (d & 0x3f);
    }
    at += extra + 1;
    return cp;
}

class Devices {
public:
    Devices(wl_display* display, Globals& g) : display_(display), g_(g) {}
    ~Devices() {
        if (state_)
            xkb_state_unref(state_);
        if (keymap_)
            xkb_keymap_unref(keymap_);
        if (context_)
            xkb_context_unref(context_);
    }

    bool open(std::string& why) {
        context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names names = {"evdev", "pc105", "de", "", ""};
        keymap_ = context_
                      ? xkb_keymap_new_from_names(context_, &names, XKB_KEYMAP_COMPILE_NO_FLAGS)
                      : nullptr;
        if (!keymap_) {
            why = "the German keymap does not compile (xkb-data missing?)";
            return false;
        }
        state_ = xkb_state_new(keymap_);
        shiftMask_ = 1u << xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_SHIFT);
        // The German layout's AltGr is level three, on Mod5.
        level3Mask_ = 1u << xkb_keymap_mod_get_index(keymap_, "Mod5");

        keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(g_.keyboards, g_.seat);
        char* text = xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1);
        const std::size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("keymap", MFD_CLOEXEC);
        const bool written = fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size);
        std::free(text);
        if (!written) {
            why = "no file for the keymap";
            return false;
        }
        zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                       static_cast<std::uint32_t>(size));
        ::close(fd);

        pointer_ =
            g_.pointerVersion >= 2
                ? zwlr_virtual_pointer_manager_v1_create_virtual_pointer_with_output(
                      g_.pointers, g_.seat, g_.output)
                : zwlr_virtual_pointer_manager_v1_create_virtual_pointer(g_.pointers, g_.seat);
        return sync(why);
    }

    // Waits until the compositor has handled every request sent so far.
    bool sync(std::string& why) {
        if (wl_display_roundtrip(display_) < 0) {
            why = "the compositor closed the connection";
            return false;
        }
        return true;
    }

    void finish() {
        for (const auto code : std::set<xkb_keycode_t>(down_))
            key(code, false);
        zwp_virtual_keyboard_v1_destroy(keyboard_);
        zwlr_virtual_pointer_v1_destroy(pointer_);
        wl_display_roundtrip(display_);
    }

    std::string run(const std::string& line) {
        std::istringstream in(line);
        std::string verb, arg;
        in >> verb;
        std::string why;
        if (verb == "key" && in >> arg) {
            why = chord(arg);
        } else if ((verb == "keydown" || verb == "keyup") && in >> arg) {
            const auto k = lookup(arg, why);
            if (k && verb == "keydown") {
                for (const auto m : k->mods)
                    key(m, true);
                key(k->code, true);
            } else if (k) {
                key(k->code, false);
                for (auto m = k->mods.rbegin(); m != k->mods.rend(); ++m)
                    key(*m, false);
            }
        } else if (verb == "type" && line.size() > 5) {
            why = type(line.substr(5));
        } else if (verb == "move") {
            long x = -1, y = -1;
            in >> x >> y;
            if (!in || x < 0 || y < 0 || x > g_.out.width || y > g_.out.height)
                why = "move needs X Y inside the output";
            else
                move(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
        } else if (verb == "press" || verb == "release" || verb == "click") {
            in >> arg;
            const auto b = button(arg);
            if (!b) {
                why = "no button " + arg;
            } else if (verb == "click") {
                click(*b, true);
                flushAndPause(hold_);
                click(*b, false);
            } else {
                click(*b, verb == "press");
            }
        } else if (verb == "hold" || verb == "gap" || verb == "sleep") {
            int ms = -1;
            in >> ms;
            if (!in || ms < 0)
                why = verb + " needs milliseconds";
            else if (verb == "hold")
                hold_ = ms;
            else if (verb == "gap")
                gap_ = ms;
            else
                pause(ms);
        } else {
            why = "unknown command: " + line;
        }
        if (why.empty())
            sync(why);
        return why;
    }

    bool ready(std::string& why) {
        if (g_.out.width <= 0 || g_.out.height <= 0) {
            why = "the output has no size";
            return false;
        }
        // The pointer works in logical pixels: the output's mode over its scale.
        g_.out.width /= g_.out.scale;
        g_.out.height /= g_.out.scale;
        return true;
    }

private:
    struct Key {
        xkb_keycode_t code;
        std::vector<xkb_keycode_t> mods; // Shift or AltGr needed for the keysym
    };

    // The key that gives the keysym at the lowest level, and what must be held
    // for that level.
    std::optional<Key> find(xkb_keysym_t sym) const {
        std::optional<Key> best;
        xkb_level_index_t bestLevel = 0;
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_);
             code <= xkb_keymap_max_keycode(keymap_); ++code) {
            const auto levels = xkb_keymap_num_levels_for_key(keymap_, code, 0);
            for (xkb_level_index_t level = 0; level < levels; ++level) {
                const xkb_keysym_t* syms = nullptr;
                if (xkb_keymap_key_get_syms_by_level(keymap_, code, 0, level, &syms) != 1 ||
                    syms[0] != sym || (best && bestLevel <= level))
                    continue;
                xkb_mod_mask_t masks[8];
                const auto n = xkb_keymap_key_get_mods_for_level(keymap_, code, 0, level, masks, 8);
                for (std::size_t i = 0; i < n; ++i) {
                    if (masks[i] & ~(shiftMask_ | level3Mask_))
                        continue;
                    Key k{code, {}};
                    if (masks[i] & shiftMask_)
                        k.mods.push_back(modifierKey(XKB_KEY_Shift_L));
                    if (masks[i] & level3Mask_)
                        k.mods.push_back(modifierKey(XKB_KEY_ISO_Level3_Shift));
                    best = k;
                    bestLevel = level;
                    break;
                }
            }
        }
        return best;
    }

    xkb_keycode_t modifierKey(xkb_keysym_t sym) const {
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_);
             code <= xkb_keymap_max_keycode(keymap_); ++code) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap_, code, 0, 0, &syms) == 1 && syms[0] == sym)
                return code;
        }
        return 0;
    }

    std::optional<Key> lookup(const std::string& name, std::string& why) const {
        static const std::pair<const char*, xkb_keysym_t> modifiers[] = {
            {"shift", XKB_KEY_Shift_L}, {"ctrl", XKB_KEY_Control_L},
            {"alt", XKB_KEY_Alt_L},     {"altgr", XKB_KEY_ISO_Level3_Shift},
            {"super", XKB_KEY_Super_L},
        };
        xkb_keysym_t sym = XKB_KEY_NoSymbol;
        for (const auto& [label, s] : modifiers)
            if (name == label)
                sym = s;
        std::size_t at = 0;
        if (sym == XKB_KEY_NoSymbol) {
            const auto cp = singleCodePoint(name, at);
            if (cp && at == name.size())
                sym = xkb_utf32_to_keysym(*cp);
        }
        if (sym == XKB_KEY_NoSymbol)
            sym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
        if (sym == XKB_KEY_NoSymbol)
            sym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_CASE_INSENSITIVE);
        auto k = sym == XKB_KEY_NoSymbol ? std::nullopt : find(sym);
        if (!k)
            why = "no key for " + name + " on the German keymap";
        return k;
    }

    void key(xkb_keycode_t code, bool down) {
        // Our own state says which modifiers the compositor passes on, as a
        // real keyboard's driver would.
        zwp_virtual_keyboard_v1_key(keyboard_, now(), code - 8,
                                    down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                         : WL_KEYBOARD_KEY_STATE_RELEASED);
        xkb_state_update_key(state_, code, down ? XKB_KEY_DOWN : XKB_KEY_UP);
        zwp_virtual_keyboard_v1_modifiers(
            keyboard_, xkb_state_serialize_mods(state_, XKB_STATE_MODS_DEPRESSED),
            xkb_state_serialize_mods(state_, XKB_STATE_MODS_LATCHED),
            xkb_state_serialize_mods(state_, XKB_STATE_MODS_LOCKED),
            xkb_state_serialize_layout(state_, XKB_STATE_LAYOUT_EFFECTIVE));
        if (down)
            down_.insert(code);
        else
            down_.erase(code);
    }

    void flushAndPause(int ms) {
        wl_display_flush(display_);
        pause(ms);
    }

    // Presses the held keys in order, taps the last, and lets go in reverse.
    void stroke(const std::vector<xkb_keycode_t>& held, xkb_keycode_t code) {
        for (const auto m : held)
            key(m, true);
        key(code, true);
        flushAndPause(hold_);
        key(code, false);
        for (auto m = held.rbegin(); m != held.rend(); ++m)
            key(*m, false);
        flushAndPause(gap_);
    }

    std::string chord(const std::string& text) {
        std::vector<xkb_keycode_t> held;
        std::string why;
        std::size_t start = 0;
        while (true) {
            const auto plus = text.find('+', start + 1);
            const auto name = text.substr(start, plus == std::string::npos ? plus : plus - start);
            const auto k = lookup(name, why);
            if (!k)
                return why;
            held.insert(held.end(), k->mods.begin(), k->mods.end());
            if (plus == std::string::npos) {
                stroke(held, k->code);
                return "";
            }
            held.push_back(k->code);
            start = plus + 1;
        }
    }

    std::string type(const std::string& text) {
        std::vector<Key> keys;
        for (std::size_t at = 0; at < text.size();) {
            const auto cp = singleCodePoint(text, at);
            if (!cp)
                return "the text is not UTF-8";
            const auto k = find(xkb_utf32_to_keysym(*cp));
            if (!k)
                return "no key for U+" + std::to_string(*cp) + " on the German keymap";
            keys.push_back(*k);
        }
        for (const auto& k : keys)
            stroke(k.mods, k.code);
        return "";
    }

    void move(std::uint32_t x, std::uint32_t y) {
        zwlr_virtual_pointer_v1_motion_absolute(pointer_, now(), x, y,
                                                static_cast<std::uint32_t>(g_.out.width),
                                                static_cast<std::uint32_t>(g_.out.height));
        zwlr_virtual_pointer_v1_frame(pointer_);
    }

    static std::optional<std::uint32_t> button(const std::string& name) {
        if (name.empty() || name == "left")
            return BTN_LEFT;
        if (name == "right")
            return BTN_RIGHT;
        if (name == "middle")
            return BTN_MIDDLE;
        return std::nullopt;
    }

    void click(std::uint32_t b, bool down) {
        zwlr_virtual_pointer_v1_button(pointer_, now(), b,
                                       down ? WL_POINTER_BUTTON_STATE_PRESSED
                                            : WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(pointer_);
    }

    wl_display* display_;
    Globals& g_;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
    xkb_mod_mask_t shiftMask_ = 0, level3Mask_ = 0;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    zwlr_virtual_pointer_v1* pointer_ = nullptr;
    std::set<xkb_keycode_t> down_;
    int hold_ = 50, gap_ = 100;
};

} // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "wayland_input: no Wayland display\n");
        return 1;
    }
    Globals g;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &g);
    // Two round trips: the globals, then the output's mode and scale.
    wl_display_roundtrip(display);
    wl_display_roundtrip(display);
    if (!g.seat || !g.output || !g.pointers || !g.keyboards) {
        std::fprintf(stderr, "wayland_input: the compositor lacks a seat, an output or the "
                             "virtual keyboard and pointer protocols\n");
        return 1;
    }
    Devices devices(display, g);
    std::string why;
    if (!devices.ready(why) || !devices.open(why)) {
        std::fprintf(stderr, "wayland_input: %s\n", why.c_str());
        return 1;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty())
            continue;
        why = devices.run(line);
        std::cout << (why.empty() ? "ok" : "error: " + why) << std::endl;
        if (why == "the compositor closed the connection")
            return 1;
    }
    devices.finish();
    wl_display_disconnect(display);
    return 0;
}
