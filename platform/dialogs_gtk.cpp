// GTK 3 modal dialogs inside the GLUT process.  GLUT runs no GLib main loop,
// so each dialog runs its own nested loop (gtk_dialog_run) and the pending
// events are drained after it is destroyed, or it stays on screen.
#include "platform/dialogs.h"
#include "platform/paths.h"

#include <gtk/gtk.h>


namespace {

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
    if (!dialog_state.gtk_ready || icon == MsgIcon::Error) EchoMessageBox(text, caption);
    if (!dialog_state.gtk_ready) return SafeAnswer(buttons);
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
    return AnswerOf(buttons, response == GTK_RESPONSE_YES);
}

// Starts on the current file (paths may still use '\'), or where it would
// live when it is gone.
void StartOnCurrentFile(GtkFileChooser* chooser, const char* path) {
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

GtkWidget* NewFileChooser(const char* title, const FileFilter& filter) {
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        title, nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel", GTK_RESPONSE_CANCEL, "_Open",
        GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    GtkFileFilter* file_filter = gtk_file_filter_new();
    gtk_file_filter_set_name(file_filter, filter.name);
    gtk_file_filter_add_pattern(file_filter, CaseBlindPattern(filter.pattern).c_str());
    gtk_file_chooser_add_filter(chooser, file_filter);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    return dialog;
}

bool GtkOpenFile(const char* title, const FileFilter& filter, char* path, size_t capacity) {
    if (!dialog_state.gtk_ready) return false;
    GtkWidget* dialog = NewFileChooser(title, filter);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    if (path[0] != '\0') StartOnCurrentFile(chooser, path);
    bool chosen = false;
    // Anything but ACCEPT (Cancel, Escape, closing) is a cancel.
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        gchar* file = gtk_file_chooser_get_filename(chooser);
        if (file && g_file_test(file, G_FILE_TEST_IS_REGULAR)) {
            chosen = TakeChosenPath(title, file, path, capacity);
            if (!chosen)
                GtkMessageBox("The chosen path is too long.", "Error", MsgIcon::Error, MsgButtons::Ok);
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
    if (!dialog_state.gtk_ready) dialog_state.gtk_ready = gtk_init_check(argc, argv);
    return dialog_state.gtk_ready;
}
