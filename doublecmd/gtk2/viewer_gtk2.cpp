// The GTK2 part: the viewer as a read-only GtkTextView in a scrolled window inside the host's
// container.
#include <fontconfig/fontconfig.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "doublecmd/toolkit_api.h"

struct QvxViewer {
    // Both cleared by GTK when the host destroys them together with its container.
    GtkWidget* scrolled = nullptr;
    GtkWidget* text = nullptr;
    QvxViewerEvents events{};
    std::vector<std::string> names;
    int current = 0;
};

namespace {

constexpr char kViewKey[] = "qvx-view";

GtkTextBuffer* buffer(QvxViewer* viewer) {
    return gtk_text_view_get_buffer(GTK_TEXT_VIEW(viewer->text));
}

void track(GtkWidget* widget, GtkWidget** where) {
    *where = widget;
    g_object_add_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer*>(where));
}

void untrack(GtkWidget** where) {
    if (*where != nullptr)
        g_object_remove_weak_pointer(G_OBJECT(*where), reinterpret_cast<gpointer*>(where));
    *where = nullptr;
}

void viewToggled(GtkCheckMenuItem* item, gpointer data) {
    if (!gtk_check_menu_item_get_active(item)) return;  // the one left by the choice
    auto* viewer = static_cast<QvxViewer*>(data);
    const int view = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(item), kViewKey));
    try {
        viewer->events.chosen(viewer->events.context, view);
    } catch (...) {
        // Nothing may unwind through GTK's signal emission.
    }
}

std::string mnemonicLabel(int number, const std::string& name) {
    std::string label = "_" + std::to_string(number) + " ";
    for (char c : name) {
        if (c == '_') label += '_';
        label += c;
    }
    return label;
}

// Of the text view's own items only Copy and Select All mean something in a read-only viewer.
void keepCopyAndSelectAll(GtkMenu* menu) {
    GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
    for (GList* item = items; item != nullptr; item = item->next) {
        auto* widget = static_cast<GtkWidget*>(item->data);
        bool keep = false;
        if (GTK_IS_IMAGE_MENU_ITEM(widget) &&
            gtk_image_menu_item_get_use_stock(GTK_IMAGE_MENU_ITEM(widget))) {
            const std::string stock = gtk_menu_item_get_label(GTK_MENU_ITEM(widget));
            keep = stock == GTK_STOCK_COPY || stock == GTK_STOCK_SELECT_ALL;
        }
        if (!keep) gtk_widget_destroy(widget);
    }
    g_list_free(items);
}

// The view items, numbered from 1 as their mnemonics, go above Copy and Select All.
void populatePopup(GtkTextView*, GtkMenu* menu, gpointer data) {
    auto* viewer = static_cast<QvxViewer*>(data);
    keepCopyAndSelectAll(menu);
    GSList* group = nullptr;
    std::vector<GtkWidget*> items;
    for (std::size_t i = 0; i < viewer->names.size(); ++i) {
        const int view = static_cast<int>(i);
        GtkWidget* item = gtk_radio_menu_item_new_with_mnemonic(
            group, mnemonicLabel(view + 1, viewer->names[i]).c_str());
        group = gtk_radio_menu_item_get_group(GTK_RADIO_MENU_ITEM(item));
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(item), view == viewer->current);
        g_object_set_data(G_OBJECT(item), kViewKey, GINT_TO_POINTER(view));
        items.push_back(item);
    }
    int position = 0;
    for (GtkWidget* item : items) {
        // Connected only now: setting the checked item above must not count as a choice.
        g_signal_connect(item, "toggled", G_CALLBACK(viewToggled), viewer);
        gtk_menu_shell_insert(GTK_MENU_SHELL(menu), item, position++);
        gtk_widget_show(item);
    }
    GtkWidget* separator = gtk_separator_menu_item_new();
    gtk_menu_shell_insert(GTK_MENU_SHELL(menu), separator, position);
    gtk_widget_show(separator);
}

int offset(const GtkTextIter& at) {
    return gtk_text_iter_get_offset(&at);
}

GtkTextIter iterAt(QvxViewer* viewer, std::int32_t offset) {
    GtkTextIter at;
    gtk_text_buffer_get_iter_at_offset(buffer(viewer), &at, offset);
    return at;
}

// Every copy (the keys, the menu, the host's command) puts the text the plug-in gives for the
// selection on the clipboard, instead of the characters the widget holds.
void copySelection(GtkTextView*, gpointer data) {
    auto* viewer = static_cast<QvxViewer*>(data);
    g_signal_stop_emission_by_name(viewer->text, "copy-clipboard");
    GtkTextIter start;
    GtkTextIter end;
    if (!gtk_text_buffer_get_selection_bounds(buffer(viewer), &start, &end)) return;
    std::size_t size = 0;
    const char* text =
        viewer->events.copied(viewer->events.context, offset(start), offset(end), &size);
    gtk_clipboard_set_text(gtk_widget_get_clipboard(viewer->text, GDK_SELECTION_CLIPBOARD), text,
                           static_cast<gint>(size));
}

int addFont(const char* path) {
    static std::map<std::string, int> added;
    auto known = added.find(path);
    if (known != added.end()) return known->second;
    int usable = 0;
    if (FcConfigAppFontAddFile(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(path))) {
        usable = 1;
        // Pango keeps what it found in fontconfig: make it look again.
        PangoFontMap* fonts = pango_cairo_font_map_get_default();
        if (PANGO_IS_FC_FONT_MAP(fonts)) pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(fonts));
    }
    added.emplace(path, usable);
    return usable;
}

QvxViewer* create(void* parent, const QvxViewerEvents* events) {
    if (parent == nullptr || events == nullptr || events->chosen == nullptr ||
        events->copied == nullptr || !GTK_IS_CONTAINER(parent))
        return nullptr;
    auto viewer = std::make_unique<QvxViewer>();
    viewer->events = *events;
    track(gtk_scrolled_window_new(nullptr, nullptr), &viewer->scrolled);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(viewer->scrolled), GTK_POLICY_AUTOMATIC,
                                   GTK_POLICY_AUTOMATIC);
    track(gtk_text_view_new(), &viewer->text);
    gtk_text_view_set_editable(GTK_TEXT_VIEW(viewer->text), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(viewer->text), FALSE);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(viewer->text), GTK_WRAP_NONE);
    g_signal_connect(viewer->text, "populate-popup", G_CALLBACK(populatePopup), viewer.get());
    g_signal_connect(viewer->text, "copy-clipboard", G_CALLBACK(copySelection), viewer.get());
    gtk_container_add(GTK_CONTAINER(viewer->scrolled), viewer->text);
    gtk_container_add(GTK_CONTAINER(parent), viewer->scrolled);
    gtk_widget_show_all(viewer->scrolled);
    return viewer.release();  // until destroy
}

void* widget(QvxViewer* viewer) {
    return viewer->scrolled;
}

GdkColor gdkColour(QvxRgb rgb) {
    constexpr guint16 kScale = 257;  // 0xFF to 0xFFFF
    return GdkColor{0, static_cast<guint16>(rgb.red * kScale),
                    static_cast<guint16>(rgb.green * kScale),
                    static_cast<guint16>(rgb.blue * kScale)};
}

void setLook(QvxViewer* viewer, const char* faceName, QvxRgb text, QvxRgb background) {
    if (viewer->text == nullptr) return;
    PangoFontDescription* font =
        pango_font_description_copy(gtk_widget_get_style(viewer->text)->font_desc);
    pango_font_description_set_family(font, faceName);
    gtk_widget_modify_font(viewer->text, font);
    pango_font_description_free(font);
    const GdkColor textColour = gdkColour(text);
    const GdkColor backgroundColour = gdkColour(background);
    gtk_widget_modify_text(viewer->text, GTK_STATE_NORMAL, &textColour);
    gtk_widget_modify_base(viewer->text, GTK_STATE_NORMAL, &backgroundColour);
}

void setText(QvxViewer* viewer, const char* utf8, std::size_t size) {
    if (viewer->text == nullptr) return;
    GtkTextBuffer* text = buffer(viewer);
    gtk_text_buffer_set_text(text, utf8, static_cast<gint>(size));
    GtkTextIter start;
    gtk_text_buffer_get_start_iter(text, &start);
    gtk_text_buffer_place_cursor(text, &start);
    gtk_text_view_scroll_to_mark(GTK_TEXT_VIEW(viewer->text), gtk_text_buffer_get_insert(text), 0,
                                 FALSE, 0, 0);
}

void setViews(QvxViewer* viewer, const char* const* names, int count, int current) {
    viewer->names.assign(names, names + count);
    viewer->current = current;
}

void copy(QvxViewer* viewer) {
    if (viewer->text != nullptr) g_signal_emit_by_name(viewer->text, "copy-clipboard");
}

void selectAll(QvxViewer* viewer) {
    if (viewer->text == nullptr) return;
    GtkTextIter start;
    GtkTextIter end;
    gtk_text_buffer_get_bounds(buffer(viewer), &start, &end);
    gtk_text_buffer_select_range(buffer(viewer), &start, &end);
}

QvxRange selection(QvxViewer* viewer) {
    if (viewer->text == nullptr) return {0, 0};
    GtkTextIter start;
    GtkTextIter end;
    gtk_text_buffer_get_selection_bounds(buffer(viewer), &start, &end);
    return {offset(start), offset(end)};
}

QvxRange shownLines(QvxViewer* viewer) {
    if (viewer->text == nullptr) return {0, 0};
    GtkTextView* view = GTK_TEXT_VIEW(viewer->text);
    GdkRectangle shown;
    gtk_text_view_get_visible_rect(view, &shown);
    GtkTextIter first;
    GtkTextIter last;
    gtk_text_view_get_line_at_y(view, &first, shown.y, nullptr);
    gtk_text_view_get_line_at_y(view, &last, shown.y + std::max(shown.height - 1, 0), nullptr);
    if (!gtk_text_iter_ends_line(&last)) gtk_text_iter_forward_to_line_end(&last);
    return {offset(first), offset(last)};
}

void select(QvxViewer* viewer, std::int32_t begin, std::int32_t end) {
    if (viewer->text == nullptr) return;
    const GtkTextIter from = iterAt(viewer, begin);
    const GtkTextIter to = iterAt(viewer, end);
    gtk_text_buffer_select_range(buffer(viewer), &to, &from);
    gtk_text_view_scroll_to_mark(GTK_TEXT_VIEW(viewer->text),
                                 gtk_text_buffer_get_insert(buffer(viewer)), 0, FALSE, 0, 0);
}

void beep(QvxViewer*) {
    gdk_beep();
}

void destroy(QvxViewer* viewer) {
    const std::unique_ptr<QvxViewer> owned(viewer);
    if (viewer->text != nullptr) g_signal_handlers_disconnect_by_data(viewer->text, viewer);
    GtkWidget* scrolled = viewer->scrolled;
    untrack(&viewer->text);
    untrack(&viewer->scrolled);
    if (scrolled != nullptr) gtk_widget_destroy(scrolled);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const QvxToolkitApi* qvxToolkitApi(
    std::uint32_t version) {
    static const QvxToolkitApi api{
        kToolkitApiVersion, "GTK2",    addFont,    create, widget, setLook, setText, setViews, copy,
        selectAll,          selection, shownLines, select, beep,   destroy};
    // Widgets need the host's open display.
    if (version != kToolkitApiVersion || gdk_display_get_default() == nullptr) return nullptr;
    return &api;
}
