// The open viewers and the work of each lister entry point, on the one load routine and the one
// view model.
#include "doublecmd/viewers.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "base/trace.h"
#include "disk/image.h"
#include "render/find.h"
#include "render/load.h"
#include "render/unicode_text.h"
#include "render/viewer_look.h"
#include "render/views.h"

namespace qvx::doublecmd {

namespace {

struct Viewer {
    explicit Viewer(const QvxToolkitApi& api) : toolkit(api) {}
    ~Viewer() {
        if (shown != nullptr) toolkit.destroy(shown);
    }
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    const QvxToolkitApi& toolkit;
    QvxViewer* shown = nullptr;
    DiskImage image;
    std::u16string text;  // what the widget shows, line breaks as the views have them
    std::string copied;   // the last copy's text, for the widget to take
};

// By the handle the host holds. A widget the host destroyed together with its parent, without
// ListCloseWindow, leaves its entry until a new widget gets the same address and replaces it.
std::map<void*, std::unique_ptr<Viewer>>& openViewers() {
    static std::map<void*, std::unique_ptr<Viewer>> viewers;
    return viewers;
}

Viewer* find(void* handle) {
    auto found = openViewers().find(handle);
    return found == openViewers().end() ? nullptr : found->second.get();
}

bool isOpen(const Viewer* viewer) {
    return std::any_of(openViewers().begin(), openViewers().end(),
                       [viewer](const auto& entry) { return entry.second.get() == viewer; });
}

QvxRgb qvxRgb(Rgb colour) {
    return {colour.red, colour.green, colour.blue};
}

// The host's bytes, kept exactly: a name that is not UTF-8 still opens.
std::u16string fileName(const char* file) {
    return pathFromSystem(file != nullptr ? file : "");
}

// The texts break lines with "\r"; the toolkits break them at "\n".
void show(Viewer& viewer, std::u16string_view text) {
    viewer.text = text;
    std::string utf8 = toUtf8(text);
    std::replace(utf8.begin(), utf8.end(), '\r', '\n');
    viewer.toolkit.setText(viewer.shown, utf8.data(), utf8.size());
}

void offerViews(Viewer& viewer) {
    std::vector<std::string> names;
    for (int view = kViewListing; hasView(viewer.image, view); ++view)
        names.push_back(toUtf8(viewName(viewer.image, view)));
    std::vector<const char*> pointers;
    for (const std::string& name : names) pointers.push_back(name.c_str());
    viewer.toolkit.setViews(viewer.shown, pointers.data(), static_cast<int>(pointers.size()),
                            viewer.image.showState);
}

// A fresh record at its listing; the wrap bit of the host's flags is where a change counts from.
void showImage(Viewer& viewer, DiskImage image, const std::u16string& listing,
               std::int32_t showFlags) {
    image.wrapFlag = static_cast<std::uint8_t>(showFlags & 1);
    image.showState = kViewListing;
    viewer.image = std::move(image);
    show(viewer, listing);
    offerViews(viewer);
}

// Called from inside the toolkit's event handling, which nothing may unwind through.
const char* copiedText(void* context, std::int32_t begin, std::int32_t end, std::size_t* size) {
    auto* viewer = static_cast<Viewer*>(context);
    *size = 0;
    if (!isOpen(viewer)) return "";
    try {
        const std::u16string_view text = viewer->text;
        const auto to =
            std::min<std::size_t>(static_cast<std::size_t>(std::max(end, 0)), text.size());
        const auto from = std::min<std::size_t>(static_cast<std::size_t>(std::max(begin, 0)), to);
        viewer->copied = toUtf8(readableText(text.substr(from, to - from), u"\n"));
    } catch (...) {
        viewer->copied.clear();
    }
    *size = viewer->copied.size();
    return viewer->copied.c_str();
}

TextRange textRange(QvxRange range) {
    return {static_cast<std::size_t>(std::max(range.begin, 0)),
            static_cast<std::size_t>(std::max(range.end, 0))};
}

void chooseView(void* context, int view) {
    auto* viewer = static_cast<Viewer*>(context);
    if (!isOpen(viewer)) return;
    DiskImage& image = viewer->image;
    if (!hasView(image, view) || view == image.showState) return;
    logDebug(u"chooseView - view " + decimal(view));
    image.showState = static_cast<std::uint8_t>(view);
    show(*viewer, viewText(image, view).value_or(std::u16string()));
    offerViews(*viewer);
}

int changeDisplayOptions(Viewer& viewer, std::int32_t options) {
    DiskImage& image = viewer.image;
    if (!takeWrapBit(image, options)) return kNotHandled;
    std::optional<std::u16string> text = viewText(image, image.showState);
    if (!text) {
        logDebug(u"ListSendCommand - unknown show state " + decimal(image.showState));
        return kNotHandled;
    }
    show(viewer, *text);
    offerViews(viewer);
    return kHandled;
}

}  // namespace

void* loadViewer(const QvxToolkitApi* toolkit, const std::u16string& problem, void* parent,
                 const char* file, std::int32_t showFlags, const std::string& fontFolder) {
    const std::u16string path = fileName(file);
    logCall(u"ListLoad", path, showFlags);
    if (toolkit == nullptr) {
        logDebug(u"ListLoad - " + problem);
        return nullptr;
    }
    auto viewer = std::make_unique<Viewer>(*toolkit);
    const QvxViewerEvents events{viewer.get(), chooseView, copiedText};
    viewer->shown = toolkit->create(parent, &events);
    if (viewer->shown == nullptr) {
        logDebug(u"ListLoad - can't create window");
        return nullptr;
    }

    // The display font when it lies beside the plug-in, else the one shipped there.
    const int added = toolkit->addFont((fontFolder + "/" + toUtf8(kDisplayFontFile)).c_str());
    logDebug(u"ListLoad - AddFont=" + decimal(added));
    std::string face = toUtf8(kDisplayFace);
    if (added == 0 && toolkit->addFont((fontFolder + "/" + toUtf8(kShippedFontFile)).c_str()) == 1)
        face = toUtf8(kShippedFace);
    toolkit->setLook(viewer->shown, face.c_str(), qvxRgb(kTextColour), qvxRgb(kBackgroundColour));

    DiskImage image;
    const std::u16string listing = loadImage(path, image);
    showImage(*viewer, std::move(image), listing, showFlags);
    void* handle = toolkit->widget(viewer->shown);
    openViewers()[handle] = std::move(viewer);
    return handle;
}

int loadNext(void* handle, const char* file, std::int32_t showFlags) {
    const std::u16string path = fileName(file);
    logCall(u"ListLoadNext", path, showFlags);
    Viewer* viewer = find(handle);
    if (viewer == nullptr) return kNotHandled;
    DiskImage image;
    const std::u16string listing = loadImage(path, image);
    if (!isReadableImage(image)) return kNotHandled;
    showImage(*viewer, std::move(image), listing, showFlags);
    return kHandled;
}

int searchText(void* handle, const std::u16string& typed, std::int32_t flags) {
    logCall(u"ListSearchText", typed, flags);
    Viewer* viewer = find(handle);
    if (viewer == nullptr) return kNotHandled;
    const QvxToolkitApi& toolkit = viewer->toolkit;
    const std::optional<TextRange> found = searchShown(
        {viewer->text, viewCharSet(viewer->image.showState),
         textRange(toolkit.selection(viewer->shown)), textRange(toolkit.shownLines(viewer->shown))},
        typed, flags);
    if (!found) {
        toolkit.beep(viewer->shown);
        return kNotHandled;
    }
    toolkit.select(viewer->shown, static_cast<std::int32_t>(found->begin),
                   static_cast<std::int32_t>(found->end));
    return kHandled;
}

int sendCommand(void* handle, std::int32_t command, std::int32_t parameter) {
    logDebug(u"ListSendCommand - c=$" + hex(command) + u", p=$" + hex(parameter));
    Viewer* viewer = find(handle);
    if (viewer == nullptr) return kNotHandled;
    switch (command) {
        case kCommandCopy:
            viewer->toolkit.copy(viewer->shown);
            return kHandled;
        case kCommandSelectAll:
            viewer->toolkit.selectAll(viewer->shown);
            return kHandled;
        case kCommandNewParams:
            return changeDisplayOptions(*viewer, parameter);
        default:
            return kNotHandled;
    }
}

void closeViewer(void* handle) {
    auto found = openViewers().find(handle);
    logDebug(u"ListCloseCommand");
    if (found != openViewers().end()) openViewers().erase(found);
}

}  // namespace qvx::doublecmd
