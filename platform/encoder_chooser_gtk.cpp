// The "Video Compression" dialog (GTK 3).  Runs nested like the message
// boxes: GLUT runs no GLib main loop.
#include <gtk/gtk.h>

#include <iterator>

#include "platform/encoder_chooser.h"

namespace {

// The dialog's layout, in pixels, and the quality scale.
constexpr int kRowSpacing = 8, kColumnSpacing = 12, kBorder = 12, kSliderWidth = 200;
constexpr int kLowestQuality = 1, kBestQuality = 100;

constexpr VideoContainer kContainers[] = {VideoContainer::kAvi, VideoContainer::kMp4};

struct DialogWidgets {
    const std::vector<EncoderOption>* offered;
    GtkWidget* combo;
    GtkWidget* quality;
    GtkWidget* container;
};

VideoContainer ActiveContainer(const DialogWidgets& widgets) {
    const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(widgets.container));
    return active >= 0 && active < int(std::size(kContainers)) ? kContainers[active] : VideoContainer::kAvi;
}

const EncoderOption* ActiveOption(const DialogWidgets& widgets) {
    const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(widgets.combo));
    return active >= 0 ? &(*widgets.offered)[size_t(active)] : nullptr;
}

// A compressor the container cannot carry takes the container back to AVI.
void OnCompressorChanged(GtkComboBox*, gpointer data) {
    auto* widgets = static_cast<DialogWidgets*>(data);
    const EncoderOption* option = ActiveOption(*widgets);
    gtk_widget_set_sensitive(widgets->quality, option && option->has_quality);
    if (option && !ContainerFits(ActiveContainer(*widgets), *option))
        gtk_combo_box_set_active(GTK_COMBO_BOX(widgets->container), 0);
}

// MP4 picks the first compressor it can carry when the one shown does not fit.
void OnContainerChanged(GtkComboBox*, gpointer data) {
    auto* widgets = static_cast<DialogWidgets*>(data);
    const VideoContainer container = ActiveContainer(*widgets);
    const EncoderOption* option = ActiveOption(*widgets);
    if (!option || ContainerFits(container, *option)) return;
    for (size_t i = 0; i < widgets->offered->size(); ++i)
        if (ContainerFits(container, (*widgets->offered)[i])) {
            gtk_combo_box_set_active(GTK_COMBO_BOX(widgets->combo), int(i));
            return;
        }
}

GtkWidget* NewContainerCombo(VideoContainer preset) {
    GtkWidget* combo = gtk_combo_box_text_new();
    int active = 0;
    for (size_t i = 0; i < std::size(kContainers); ++i) {
        gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(combo), ContainerId(kContainers[i]),
                                  ContainerLabel(kContainers[i]));
        if (kContainers[i] == preset) active = int(i);
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(combo), active);
    return combo;
}

GtkWidget* NewDialog() {
    GtkWidget* dialog = gtk_dialog_new_with_buttons("Video Compression", nullptr, GTK_DIALOG_MODAL,
                                                    "_Cancel", GTK_RESPONSE_CANCEL, "_OK",
                                                    GTK_RESPONSE_OK, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    return dialog;
}

// The compressor's list and the quality slider, preset to `choice`.
GtkWidget* NewChoiceGrid(const std::vector<EncoderOption>& offered, const EncoderChoice& choice,
                         DialogWidgets& widgets) {
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), kRowSpacing);
    gtk_grid_set_column_spacing(GTK_GRID(grid), kColumnSpacing);
    gtk_container_set_border_width(GTK_CONTAINER(grid), kBorder);

    widgets.combo = gtk_combo_box_text_new();
    for (const EncoderOption& option : offered)
        gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(widgets.combo), option.id.c_str(), option.label.c_str());
    const int preset = FindEncoderOption(offered, choice.id);
    gtk_combo_box_set_active(GTK_COMBO_BOX(widgets.combo), preset >= 0 ? preset : 0);

    widgets.quality = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, kLowestQuality, kBestQuality, 1);
    gtk_range_set_value(GTK_RANGE(widgets.quality), choice.quality);
    gtk_widget_set_size_request(widgets.quality, kSliderWidth, -1);

    gtk_grid_attach(GTK_GRID(grid), gtk_label_new("Compressor:"), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), widgets.combo, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), gtk_label_new("Quality:"), 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), widgets.quality, 1, 1, 1, 1);
    widgets.container = NewContainerCombo(choice.container);
    gtk_grid_attach(GTK_GRID(grid), gtk_label_new("Container:"), 0, 2, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), widgets.container, 1, 2, 1, 1);
    return grid;
}

bool RunDialog(const std::vector<EncoderOption>& offered, EncoderChoice* choice) {
    GtkWidget* dialog = NewDialog();
    DialogWidgets widgets{&offered, nullptr, nullptr, nullptr};
    GtkWidget* grid = NewChoiceGrid(offered, *choice, widgets);
    gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), grid);
    g_signal_connect(widgets.combo, "changed", G_CALLBACK(OnCompressorChanged), &widgets);
    g_signal_connect(widgets.container, "changed", G_CALLBACK(OnContainerChanged), &widgets);
    OnCompressorChanged(GTK_COMBO_BOX(widgets.combo), &widgets);

    gtk_widget_show_all(dialog);
    // Return answers OK (on the combo box it would open its list instead).
    gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK));
    // Anything but OK (Cancel, Escape, closing) cancels.
    const bool accepted = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK;
    if (accepted) {
        const int active = gtk_combo_box_get_active(GTK_COMBO_BOX(widgets.combo));
        choice->id = offered[active >= 0 ? active : 0].id;
        choice->quality = static_cast<int>(gtk_range_get_value(GTK_RANGE(widgets.quality)) + 0.5);
        choice->container = ActiveContainer(widgets);
    }
    gtk_widget_destroy(dialog);
    while (gtk_events_pending()) gtk_main_iteration();
    return accepted;
}

}  // namespace

EncoderDialogAnswer RunEncoderDialog(const std::vector<EncoderOption>& offered, EncoderChoice* choice) {
    if (!gtk_init_check(nullptr, nullptr)) return EncoderDialogAnswer::kUnavailable;
    return RunDialog(offered, choice) ? EncoderDialogAnswer::kAccepted : EncoderDialogAnswer::kCancelled;
}
