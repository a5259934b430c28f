// Copies from the viewer as readable text, however they start: the host's Copy command, or the
// control's own (its copy keys, WM_COPY). The clipboard gets the Unicode characters the qvx
// command prints, lines ending in CR LF, reverse video dropped.
#pragma once

#include <windows.h>

namespace qvx {

// Hands the control a callback through which it asks for the data of every copy it makes
// itself; the control keeps it until it is destroyed. The window stays an unsubclassed RichEdit.
void takeOverCopies(HWND viewer);

// The host's Copy: the selection on the clipboard. True when it is there (or nothing is
// selected, which leaves the clipboard alone, as the control's own copy does).
bool copySelection(HWND viewer);

}  // namespace qvx
