#include "platform/backends/linux/gtk_dialogs.hpp"

#include "platform/machine/text_codec.hpp"

#include <gtk/gtk.h>

#include <string>

namespace schlingo::platform::gtk {

namespace {

void drainEvents() {
    while (gtk_events_pending())
        gtk_main_iteration();
}

void onRealize(GtkWidget* widget, gpointer) {
    // GTK sets its own hints while realizing; these come after them.
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    gdk_window_set_decorations(gdkWindow, static_cast<GdkWMDecoration>(
                                              GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU));
    gdk_window_set_functions(gdkWindow, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
}

// A picture of the icon theme, never an SVG one: the SVG loader would stay
// mapped for the rest of the run. The default theme ships these names as PNG
// and is the fallback when the desktop's theme has only scalable ones.
GdkPixbuf* themeIcon(const char* name) {
    constexpr int size = 48;
    constexpr auto flags =
        static_cast<GtkIconLookupFlags>(GTK_ICON_LOOKUP_NO_SVG | GTK_ICON_LOOKUP_FORCE_SIZE);
    if (GdkPixbuf* icon =
            gtk_icon_theme_load_icon(gtk_icon_theme_get_default(), name, size, flags, nullptr))
        return icon;
    GtkIconTheme* fallback = gtk_icon_theme_new();
    gtk_icon_theme_set_custom_theme(fallback, "Adwaita");
    GdkPixbuf* icon = gtk_icon_theme_load_icon(fallback, name, size, flags, nullptr);
    g_object_unref(fallback);
    return icon;
}

// GTK 3 draws no picture for the message type; the box gets one beside its
// text, where GtkMessageDialog keeps a place for it.
void addIcon(GtkWidget* dialog, const char* name) {
    GtkWidget* row =
        gtk_widget_get_parent(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog)));
    GdkPixbuf* icon = themeIcon(name);
    if (icon == nullptr || !GTK_IS_BOX(row)) {
        if (icon != nullptr)
            g_object_unref(icon);
        return;
    }
    GtkWidget* image = gtk_image_new_from_pixbuf(icon);
    g_object_unref(icon);
    gtk_widget_set_valign(image, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(row), image, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(row), image, 0);
    gtk_widget_show(image);
}
} // namespace

void offerCloseOnly(GtkWindow* window) {
    gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
    g_signal_connect(window, "realize", G_CALLBACK(onRealize), nullptr);
}

bool initialise() {
    // Our windows draw no OpenGL. Without this the first GTK program on a fresh
    // X server probes GLX for its visuals and keeps the driver and LLVM mapped
    // (about 50 MB resident); later ones read the probe's result from the root
    // window. A value the user set stays.
    g_setenv("GDK_GL", "disable", FALSE);
    return gtk_init_check(nullptr, nullptr) != FALSE;
}

MessageAnswer showMessage(const MessageBox& box) {
    const bool question = box.buttons == MessageBox::Buttons::YesNoCancel;
    const bool questionIcon = box.icon == MessageBox::Icon::Question;
    GtkWindow* parent =
        box.owner == MessageBox::Owner::StartWindow ? currentStartWindow() : nullptr;
    GtkWidget* dialog = gtk_message_dialog_new(
        parent, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        questionIcon ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_INFO, GTK_BUTTONS_NONE, "%s",
        cp1252MessageToUtf8(box.text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), cp1252ToUtf8(box.title).c_str());
    addIcon(dialog, questionIcon ? "dialog-question" : "dialog-information");
    offerCloseOnly(GTK_WINDOW(dialog));
    if (question) {
        gtk_dialog_add_button(GTK_DIALOG(dialog), "_Ja", GTK_RESPONSE_YES);
        gtk_dialog_add_button(GTK_DIALOG(dialog), "_Nein", GTK_RESPONSE_NO);
        gtk_dialog_add_button(GTK_DIALOG(dialog), "Abbrechen", GTK_RESPONSE_CANCEL);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
    } else {
        gtk_dialog_add_button(GTK_DIALOG(dialog), "OK", GTK_RESPONSE_OK);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    }
    gtk_window_set_position(GTK_WINDOW(dialog),
                            parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    // The game window belongs to another toolkit; staying above is what keeps
    // the box in front of it.
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_window_present(GTK_WINDOW(dialog));

    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    drainEvents();

    switch (response) {
    case GTK_RESPONSE_YES:
        return MessageAnswer::Yes;
    case GTK_RESPONSE_NO:
        return MessageAnswer::No;
    case GTK_RESPONSE_OK:
        return MessageAnswer::Ok;
    default:
        // Closed by Esc or the close box: a question is cancelled, like on Windows.
        return question ? MessageAnswer::Cancel : MessageAnswer::Ok;
    }
}

} // namespace schlingo::platform::gtk
