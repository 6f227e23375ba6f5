#include "platform/linux/gtk_dialogs.hpp"

#include "platform/text_codec.hpp"

#include <gtk/gtk.h>

#include <cstdio>
#include <string>

namespace schlingo::platform::gtk {

namespace {
bool ready = false; // game thread only

std::string dialogText(const std::string& cp1252) {
    std::string text;
    text.reserve(cp1252.size());
    for (std::size_t i = 0; i < cp1252.size(); ++i) {
        if (cp1252[i] == '\r' && i + 1 < cp1252.size() && cp1252[i + 1] == '\n')
            continue; // "\r\n" is one line break
        text += cp1252[i];
    }
    return cp1252ToUtf8(text);
}

void drainEvents() {
    while (gtk_events_pending())
        gtk_main_iteration();
}
} // namespace

bool initialise() {
    // Our windows draw no OpenGL. Without this the first GTK program on a fresh
    // X server probes GLX for its visuals and keeps the driver and LLVM mapped
    // (about 50 MB resident); later ones read the probe's result from the root
    // window. A value the user set stays.
    g_setenv("GDK_GL", "disable", FALSE);
    ready = gtk_init_check(nullptr, nullptr) != FALSE;
    return ready;
}

MessageAnswer showMessage(const MessageBox& box) {
    const bool question = box.buttons == MessageBox::Buttons::YesNoCancel;
    if (!ready) {
        // No display: the text goes to stderr and a question counts as cancelled.
        std::fprintf(stderr, "%s: %s\n", cp1252ToUtf8(box.title).c_str(),
                     dialogText(box.text).c_str());
        return question ? MessageAnswer::Cancel : MessageAnswer::Ok;
    }
    GtkWindow* parent =
        box.owner == MessageBox::Owner::StartWindow ? currentStartWindow() : nullptr;
    GtkWidget* dialog = gtk_message_dialog_new(
        parent, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        box.icon == MessageBox::Icon::Question ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_INFO,
        GTK_BUTTONS_NONE, "%s", dialogText(box.text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), cp1252ToUtf8(box.title).c_str());
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
