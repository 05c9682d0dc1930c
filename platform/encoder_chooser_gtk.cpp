// The "Video Compression" dialog (GTK 3), with the preset and test hooks.
// Runs nested like the message boxes: GLUT runs no GLib main loop.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>

#include "platform/encoder_chooser.h"

namespace {

EncoderChooserFn g_chooser = nullptr;
EncoderChoice g_last_choice;
bool g_has_last_choice = false;

struct DialogWidgets {
    const std::vector<EncoderOption>* offered;
    GtkWidget* combo;
    GtkWidget* quality;
};

void UpdateQualitySensitivity(GtkComboBox* combo, gpointer data) {
    auto* widgets = static_cast<DialogWidgets*>(data);
    const int active = gtk_combo_box_get_active(combo);
    const bool has_quality = active >= 0 && (*widgets->offered)[active].has_quality;
    gtk_widget_set_sensitive(widgets->quality, has_quality);
}

bool RunDialog(const std::vector<EncoderOption>& offered, EncoderChoice* choice) {
    GtkWidget* dialog = gtk_dialog_new_with_buttons("Video Compression", nullptr, GTK_DIALOG_MODAL,
                                                    "_Cancel", GTK_RESPONSE_CANCEL, "_OK",
                                                    GTK_RESPONSE_OK, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 8);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
    gtk_container_set_border_width(GTK_CONTAINER(grid), 12);

    GtkWidget* combo = gtk_combo_box_text_new();
    for (const EncoderOption& option : offered)
        gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(combo), option.id.c_str(), option.label.c_str());
    const int preset = FindEncoderOption(offered, choice->id);
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), preset >= 0 ? preset : 0);

    GtkWidget* quality = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 1, 100, 1);
    gtk_range_set_value(GTK_RANGE(quality), choice->quality);
    gtk_widget_set_size_request(quality, 200, -1);

    gtk_grid_attach(GTK_GRID(grid), gtk_label_new("Compressor:"), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), combo, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), gtk_label_new("Quality:"), 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), quality, 1, 1, 1, 1);
    gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), grid);

    DialogWidgets widgets{&offered, combo, quality};
    g_signal_connect(combo, "changed", G_CALLBACK(UpdateQualitySensitivity), &widgets);
    UpdateQualitySensitivity(GTK_COMBO_BOX(combo), &widgets);

    gtk_widget_show_all(dialog);
    // Return answers OK (on the combo box it would open its list instead).
    gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK));
    // Anything but OK (Cancel, Escape, closing) cancels.
    const bool accepted = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK;
    if (accepted) {
        const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(combo));
        choice->id = offered[active >= 0 ? active : 0].id;
        choice->quality = static_cast<int>(gtk_range_get_value(GTK_RANGE(quality)) + 0.5);
    }
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
    return accepted;
}

// The choice shown first: the last one of this run, else Motion JPEG (small
// files, cheap to encode), else the first offered.
EncoderChoice PresetChoice(const std::vector<EncoderOption>& offered) {
    EncoderChoice preset = g_has_last_choice ? g_last_choice : EncoderChoice{"mjpeg", 85};
    if (FindEncoderOption(offered, preset.id) < 0) preset.id = offered.front().id;
    return preset;
}

}  // namespace

EncoderChooserFn SetEncoderChooser(EncoderChooserFn chooser) {
    EncoderChooserFn old = g_chooser;
    g_chooser = chooser;
    return old;
}

bool ChooseEncoder(const std::vector<EncoderOption>& offered, EncoderChoice* choice) {
    if (offered.empty()) return false;
    *choice = PresetChoice(offered);
    bool accepted = false;
    EncoderChoice preset = *choice;
    bool cancel = false;
    const char* override_text = std::getenv("LUMORA_ENCODER");
    if (ParseEncoderOverride(override_text, &preset, &cancel) &&
        (cancel || FindEncoderOption(offered, preset.id) >= 0)) {
        if (cancel) return false;
        *choice = preset;
        accepted = true;
    } else {
        if (override_text && *override_text)
            std::fprintf(stderr, "LUMORA_ENCODER=%s: not an offered encoder, asking instead\n",
                         override_text);
        if (g_chooser) {
            accepted = g_chooser(offered, choice);
        } else if (gtk_init_check(nullptr, nullptr)) {
            accepted = RunDialog(offered, choice);
        } else {
            std::fprintf(stderr, "[Video Compression] no dialog available, using %s\n",
                         choice->id.c_str());
            accepted = true;
        }
    }
    if (accepted) {
        g_last_choice = *choice;
        g_has_last_choice = true;
    }
    return accepted;
}
