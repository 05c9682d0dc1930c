// The GTK open-file chooser as the user meets it: it starts on the current
// file, selected, and its filter takes the file's extension in any case.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/dialogs.h"
#include "support/test_support.h"

namespace {

struct ChooserSeen {
    std::string title;
    std::string selected;    // the chooser's file when it had settled
    bool filter_takes_upper = false, filter_takes_lower = false, filter_takes_other = false;
    int polls = 0;
};

bool FilterTakes(GtkFileFilter* filter, const char* name) {
    GtkFileFilterInfo info{};
    info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
    info.display_name = name;
    return filter && gtk_file_filter_filter(filter, &info);
}

// Runs inside the chooser's own loop: looks at it, then accepts it.
gboolean InspectAndAccept(gpointer data) {
    auto* seen = static_cast<ChooserSeen*>(data);
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* dialog = nullptr;
    for (GList* w = windows; w; w = w->next)
        if (GTK_IS_FILE_CHOOSER_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
            dialog = GTK_WIDGET(w->data);
    g_list_free(windows);
    if (!dialog) return G_SOURCE_CONTINUE;
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gchar* file = gtk_file_chooser_get_filename(chooser);
    seen->selected = file ? file : "";
    g_free(file);
    // The folder loads in the background; the selection follows it.
    if (seen->selected.empty() && ++seen->polls < 100) return G_SOURCE_CONTINUE;
    seen->title = gtk_window_get_title(GTK_WINDOW(dialog));
    GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
    seen->filter_takes_upper = FilterTakes(filter, "ALARM.WAV");
    seen->filter_takes_lower = FilterTakes(filter, "siren.wav");
    seen->filter_takes_other = FilterTakes(filter, "notes.txt");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    return G_SOURCE_REMOVE;
}

TEST(GtkDialogsTest, OpenFileStartsOnTheCurrentFileInAnyCase) {
    ASSERT_TRUE(InitGtkDialogs(nullptr, nullptr));
    const std::string dir = MakeTempDir("lumora-dialogs");
    const std::string current = dir + "/ALARM.WAV";
    std::ofstream(current) << "RIFF";
    std::ofstream(dir + "/siren.wav") << "RIFF";

    char path[200];
    std::snprintf(path, sizeof path, "%s", current.c_str());
    ChooserSeen seen;
    g_timeout_add(100, InspectAndAccept, &seen);
    const bool chosen = kGtkDialogBackend.open_file("Open Wav File", {"Wav Files (.wav)", "*.wav"}, path,
                                                    sizeof path);
    EXPECT_EQ(seen.title, "Open Wav File");
    EXPECT_EQ(seen.selected, current);
    EXPECT_TRUE(seen.filter_takes_upper);
    EXPECT_TRUE(seen.filter_takes_lower);
    EXPECT_FALSE(seen.filter_takes_other);
    // Accepting what it started on chooses the current file.
    EXPECT_TRUE(chosen);
    EXPECT_EQ(std::string(path), current);
}

}  // namespace
