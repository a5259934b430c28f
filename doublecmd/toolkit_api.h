// What qvx.wlx asks of a toolkit part (qvx-qt5.so, qvx-gtk2.so): a read-only text widget inside
// the host's parent and nothing else. Plain C types only, so that either side can be rebuilt
// alone; a part refuses a caller of another version.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

constexpr std::uint32_t kToolkitApiVersion = 2;

// One viewer widget, owned by the part from create to destroy.
struct QvxViewer;

// Characters begin to end (exclusive) of the text last set, counted in UTF-16 units; the viewer's
// texts hold nothing beyond the BMP, so the toolkits' own character counts are the same.
struct QvxRange {
    std::int32_t begin;
    std::int32_t end;
};

// What the widget asks of the plug-in, each time with context.
struct QvxViewerEvents {
    void* context;
    // The user picked view number `view` from the widget's context menu.
    void (*chosen)(void* context, int view);
    // What a copy of characters begin to end puts on the clipboard, in UTF-8, size bytes long;
    // it stays valid until the next call.
    const char* (*copied)(void* context, std::int32_t begin, std::int32_t end, std::size_t* size);
};

struct QvxRgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

struct QvxToolkitApi {
    std::uint32_t version;  // kToolkitApiVersion
    const char* name;       // "Qt5", "GTK2": for trace lines

    // Registers a font file for this process, once per path (later calls give the first answer).
    // Returns 1 when its faces can now be used, else 0.
    int (*addFont)(const char* path);

    // A shown, empty, read-only, non-wrapping text widget inside parent (a QWidget* or a
    // GtkContainer*, as the host gives it), which tells events (a copy is kept) of menu choices
    // and asks them for the text of every copy, until the viewer is destroyed. Null when nothing
    // could be made.
    QvxViewer* (*create)(void* parent, const QvxViewerEvents* events);

    // The handle the host gets: the QWidget* or GtkWidget* it moves, sizes and focuses.
    void* (*widget)(QvxViewer* viewer);

    // Face (UTF-8 family name; size and weight stay the toolkit's) and colours of the whole text.
    void (*setLook)(QvxViewer* viewer, const char* faceName, QvxRgb text, QvxRgb background);

    // Replaces the whole text: UTF-8, lines separated by '\n'.
    void (*setText)(QvxViewer* viewer, const char* utf8, std::size_t size);

    // The views the context menu offers (UTF-8 names, picked as 0 to count - 1) and the one shown.
    void (*setViews)(QvxViewer* viewer, const char* const* names, int count, int current);

    // The widget's own copy, as its keys and menu do it: the selection through events.copied.
    void (*copy)(QvxViewer* viewer);
    void (*selectAll)(QvxViewer* viewer);

    // The selection (an empty one at the caret), and the lines shown: from the start of the
    // first to the end of the last.
    QvxRange (*selection)(QvxViewer* viewer);
    QvxRange (*shownLines)(QvxViewer* viewer);
    // Selects characters begin to end and scrolls them into view.
    void (*select)(QvxViewer* viewer, std::int32_t begin, std::int32_t end);
    // The toolkit's beep, for a search that found nothing.
    void (*beep)(QvxViewer* viewer);

    // Takes the widget away and frees the viewer; harmless when the host has already destroyed
    // the widget together with its parent.
    void (*destroy)(QvxViewer* viewer);
};

// The one symbol a part exports. Null when the part cannot work in this process (no toolkit
// application running) or does not speak `version`.
using QvxToolkitEntry = const QvxToolkitApi* (*)(std::uint32_t version);
constexpr char kToolkitEntryName[] = "qvxToolkitApi";

}  // extern "C"
