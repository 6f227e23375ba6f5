// The start window in GTK 3: a fixed layout of the controls the program
// describes, one window per game, on the game thread.
#include "platform/backends/linux/gtk_dialogs.hpp"

#include <gtk/gtk.h>

#include <algorithm>
#include <string>
#include <vector>

namespace schlingo::platform::gtk {

namespace {

// Client area of a 410 x 270 window with a caption and a fixed frame on Windows
// at 96 dpi: 3 px frame on each side, 23 px caption.
constexpr int frameWidth = 3;
constexpr int captionHeight = 23;

// GTK's default theme pads controls far beyond Windows' 20 and 22 pixel
// heights; this keeps them near the given sizes without clipping the captions.
constexpr const char* compactCss = "button { padding: 0 6px; min-height: 0; }"
                                   "radiobutton, checkbutton { padding: 0; min-height: 0; }"
                                   "radiobutton radio, checkbutton check { margin: 0 4px 0 0; }"
                                   "frame > label { padding: 0 2px; }";

// The default theme draws its check and radio marks from SVG first and from
// the same marks pre-rendered as PNG second. Going straight to the PNG keeps
// the SVG loader (librsvg, libxml2, ICU: about 8 MB resident) out of the
// process for the same pixels.
constexpr const char* pngMarksCss =
    "check:checked { -gtk-icon-source: -gtk-recolor(url("
    "'resource:///org/gtk/libgtk/theme/Adwaita/assets/check-symbolic.symbolic.png')); }"
    "radio:checked { -gtk-icon-source: -gtk-recolor(url("
    "'resource:///org/gtk/libgtk/theme/Adwaita/assets/bullet-symbolic.symbolic.png')); }";

// The marks above are the default theme's; another theme keeps its own.
bool defaultThemeActive() {
    if (const char* forced = g_getenv("GTK_THEME");
        forced != nullptr && !g_str_has_prefix(forced, "Adwaita"))
        return false;
    gchar* name = nullptr;
    g_object_get(gtk_settings_get_default(), "gtk-theme-name", &name, nullptr);
    const bool adwaita = name != nullptr && g_strcmp0(name, "Adwaita") == 0;
    g_free(name);
    return adwaita;
}

GtkWindow* currentWindow = nullptr; // game thread only

struct Session {
    StartWindow* window = nullptr;
    std::vector<GtkWidget*> widgets; // by control index
};

struct ClickTarget {
    Session* session;
    int index;
};

std::string toUtf8(const std::string& cp1252) {
    gsize written = 0;
    gchar* converted = g_convert(cp1252.data(), static_cast<gssize>(cp1252.size()), "UTF-8",
                                 "WINDOWS-1252", nullptr, &written, nullptr);
    if (converted == nullptr)
        return cp1252;
    std::string result(converted, written);
    g_free(converted);
    return result;
}

void onClicked(GtkButton* button, gpointer data) {
    auto* target = static_cast<ClickTarget*>(data);
    Session& session = *target->session;
    const auto& control = session.window->controls()[static_cast<std::size_t>(target->index)];
    const bool checked =
        GTK_IS_TOGGLE_BUTTON(button) && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button));
    // GTK "clicks" the radio button that loses the check; Windows notifies only
    // the one the player clicked.
    if (control.kind == StartWindow::Kind::RadioButton && !checked)
        return;
    if (session.window->clicked(target->index, checked) == StartWindow::Reply::Destroy &&
        currentWindow != nullptr)
        gtk_widget_destroy(GTK_WIDGET(currentWindow));
}

void onDestroy(GtkWidget*, gpointer) {
    currentWindow = nullptr;
    gtk_main_quit();
}

void applyCompactStyle(GtkWidget* widget, GtkCssProvider* css) {
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    if (GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList* c = children; c != nullptr; c = c->next)
            applyCompactStyle(GTK_WIDGET(c->data), css);
        g_list_free(children);
    }
}

GtkWidget* makeControl(const StartWindow::Control& control, GSList*& radioGroup) {
    const std::string caption = toUtf8(control.caption);
    switch (control.kind) {
    case StartWindow::Kind::GroupBox:
        return gtk_frame_new(caption.c_str());
    case StartWindow::Kind::RadioButton: {
        GtkWidget* radio = gtk_radio_button_new_with_label(radioGroup, caption.c_str());
        radioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(radio));
        return radio;
    }
    case StartWindow::Kind::CheckBox:
        return gtk_check_button_new_with_label(caption.c_str());
    case StartWindow::Kind::PushButton:
        return gtk_button_new_with_label(caption.c_str());
    }
    return nullptr;
}

// A desktop font larger than the one the layout was made for (GNOME's, which
// GTK takes on Wayland) widens captions past their given sizes; a group box
// then grows with the widest control inside it, keeping its right margin.
void widenGroupBoxes(const std::vector<StartWindow::Control>& controls,
                     const std::vector<GtkWidget*>& widgets) {
    for (std::size_t g = 0; g < controls.size(); ++g) {
        const auto& box = controls[g];
        if (box.kind != StartWindow::Kind::GroupBox)
            continue;
        const int right = box.x + box.width;
        int needed = right;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const auto& inside = controls[i];
            if (inside.kind == StartWindow::Kind::GroupBox || inside.x < box.x ||
                inside.x >= right || inside.y < box.y || inside.y >= box.y + box.height)
                continue;
            gtk_widget_show(widgets[i]); // a hidden widget asks for no width
            int natural = 0;
            gtk_widget_get_preferred_width(widgets[i], nullptr, &natural);
            const int margin = std::max(right - (inside.x + inside.width), 0);
            needed = std::max(needed, inside.x + std::max(inside.width, natural) + margin);
        }
        if (needed > right)
            gtk_widget_set_size_request(widgets[g], needed - box.x, box.height);
    }
}

} // namespace

GtkWindow* currentStartWindow() {
    return currentWindow;
}

void runStartWindow(StartWindow& window, Backend&) {
    Session session;
    session.window = &window;
    const auto& controls = window.controls();

    GtkWidget* top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    currentWindow = GTK_WINDOW(top);
    gtk_window_set_title(GTK_WINDOW(top), toUtf8(window.title()).c_str());
    gtk_window_set_resizable(GTK_WINDOW(top), FALSE);
    offerCloseOnly(GTK_WINDOW(top));

    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, window.outerWidth() - 2 * frameWidth,
                                window.outerHeight() - captionHeight - 2 * frameWidth);
    gtk_container_add(GTK_CONTAINER(top), fixed);

    // A group box starts a new radio group, as WS_GROUP does on Windows.
    GSList* radioGroup = nullptr;
    std::vector<ClickTarget> targets(controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const auto& control = controls[i];
        if (control.startsGroup)
            radioGroup = nullptr;
        GtkWidget* widget = makeControl(control, radioGroup);
        gtk_widget_set_size_request(widget, control.width, control.height);
        // No tab stops: the controls take no keyboard focus.
        gtk_widget_set_can_focus(widget, FALSE);
        gtk_fixed_put(GTK_FIXED(fixed), widget, control.x, control.y);
        session.widgets.push_back(widget);
        targets[i] = {&session, static_cast<int>(i)};
    }

    // The check states are set before the click handlers exist, so setting
    // them reports no click. Every radio group has one checked button (the
    // options always name one), so GTK's default of the first one is replaced.
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].kind == StartWindow::Kind::RadioButton ||
            controls[i].kind == StartWindow::Kind::CheckBox)
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(session.widgets[i]),
                                         window.initiallyChecked(static_cast<int>(i)));
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].kind != StartWindow::Kind::GroupBox)
            g_signal_connect(session.widgets[i], "clicked", G_CALLBACK(onClicked), &targets[i]);
    }

    GtkCssProvider* css = gtk_css_provider_new();
    std::string style = compactCss;
    if (defaultThemeActive())
        style += pngMarksCss;
    gtk_css_provider_load_from_data(css, style.c_str(), -1, nullptr);
    applyCompactStyle(top, css);
    g_object_unref(css);
    widenGroupBoxes(controls, session.widgets);

    g_signal_connect(top, "destroy", G_CALLBACK(onDestroy), nullptr);
    gtk_widget_show_all(top);
    gtk_window_present(GTK_WINDOW(top));
    gtk_main();
}

} // namespace schlingo::platform::gtk
