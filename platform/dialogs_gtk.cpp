// GTK 3 modal dialogs inside the GLUT process.  GLUT runs no GLib main loop,
// so each dialog runs its own nested loop (gtk_dialog_run) and the pending
// events are drained after it is destroyed, or it stays on screen.
#include "platform/dialogs.h"
#include "platform/paths.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>

namespace {

bool g_gtk_ready = false;

void DrainEvents() {
    while (gtk_events_pending()) gtk_main_iteration();
}

GtkMessageType MessageType(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Error: return GTK_MESSAGE_ERROR;
        case MsgIcon::Information: return GTK_MESSAGE_INFO;
        case MsgIcon::Question: return GTK_MESSAGE_QUESTION;
        case MsgIcon::Warning: return GTK_MESSAGE_WARNING;
    }
    return GTK_MESSAGE_OTHER;
}

int GtkMessageBox(const char* text, const char* caption, MsgIcon icon, MsgButtons buttons) {
    // Errors also go to standard error, where a log keeps them after the box is gone.
    if (!g_gtk_ready || icon == MsgIcon::Error) std::fprintf(stderr, "[%s] %s\n", caption, text);
    if (!g_gtk_ready) return buttons == MsgButtons::YesNo ? kMsgNo : kMsgOk;
    GtkWidget* dialog = gtk_message_dialog_new(
        nullptr, GTK_DIALOG_MODAL, MessageType(icon),
        buttons == MsgButtons::YesNo ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(dialog), caption);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    // Return answers the default button; make that choice deliberate.
    gtk_dialog_set_default_response(GTK_DIALOG(dialog),
                                    buttons == MsgButtons::YesNo ? GTK_RESPONSE_YES : GTK_RESPONSE_OK);
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    DrainEvents();
    if (buttons == MsgButtons::YesNo) return response == GTK_RESPONSE_YES ? kMsgYes : kMsgNo;
    return kMsgOk;
}

bool GtkOpenFile(const char* title, const FileFilter& filter, char* path, size_t capacity) {
    if (!g_gtk_ready) return false;
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        title, nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel", GTK_RESPONSE_CANCEL, "_Open",
        GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    GtkFileFilter* file_filter = gtk_file_filter_new();
    gtk_file_filter_set_name(file_filter, filter.name);
    gtk_file_filter_add_pattern(file_filter, CaseBlindPattern(filter.pattern).c_str());
    gtk_file_chooser_add_filter(chooser, file_filter);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    if (path[0] != '\0') {
        // Start on the current file (paths may still use '\'), or where it
        // would live when it is gone.
        gchar* absolute = g_canonicalize_filename(NativePath(path).c_str(), nullptr);
        if (g_file_test(absolute, G_FILE_TEST_IS_REGULAR)) {
            gtk_file_chooser_set_filename(chooser, absolute);
        } else {
            gchar* folder = g_path_get_dirname(absolute);
            gtk_file_chooser_set_current_folder(chooser, folder);
            g_free(folder);
        }
        g_free(absolute);
    }
    bool chosen = false;
    // Anything but ACCEPT (Cancel, Escape, closing) is a cancel.
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        gchar* file = gtk_file_chooser_get_filename(chooser);
        if (file && g_file_test(file, G_FILE_TEST_IS_REGULAR)) {
            if (std::strlen(file) < capacity) {
                std::strcpy(path, file);
                chosen = true;
            } else {
                std::fprintf(stderr, "%s: path too long (%zu characters, at most %zu)\n", title,
                             std::strlen(file), capacity - 1);
                GtkMessageBox("The chosen path is too long.", "Error", MsgIcon::Error, MsgButtons::Ok);
            }
        }
        g_free(file);
    }
    gtk_widget_destroy(dialog);
    DrainEvents();
    return chosen;
}

}  // namespace

const DialogBackend kGtkDialogBackend = {GtkMessageBox, GtkOpenFile};

bool InitGtkDialogs(int* argc, char*** argv) {
    if (!g_gtk_ready) g_gtk_ready = gtk_init_check(argc, argv);
    return g_gtk_ready;
}
