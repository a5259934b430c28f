// The open viewers: one image record and one toolkit widget each, found by the handle the host
// holds. Everything the lister entry points do happens here; the toolkit part only shows text.
#pragma once

#include <cstdint>
#include <string>

#include "doublecmd/toolkit_api.h"

namespace qvx::doublecmd {

// The host's commands and answers.
constexpr std::int32_t kCommandCopy = 1;
constexpr std::int32_t kCommandNewParams = 2;  // bit 0 of the parameter: wrap text
constexpr std::int32_t kCommandSelectAll = 3;
constexpr int kHandled = 0;
constexpr int kNotHandled = 1;

// ListLoad: traces the call, makes the widget in parent with toolkit (null: traces problem and
// returns null), registers the font from fontFolder, loads the file (a UTF-8 path) into a fresh
// record and shows its listing. The wrap bit of showFlags is where lc_newparams starts from.
// Returns the host's handle, or null when no widget could be made (nothing is kept then).
void* loadViewer(const QvxToolkitApi* toolkit, const std::u16string& problem, void* parent,
                 const char* file, std::int32_t showFlags, const std::string& fontFolder);

// ListLoadNext: the next file in the same widget, from a fresh record, at the listing.
// kHandled, or kNotHandled for a handle that is not an open viewer.
int loadNext(void* handle, const char* file, std::int32_t showFlags);

// ListSendCommand: copy, select all, and the wrap bit of new display options, which moves to
// the next view when it changes. kHandled when the command did something.
int sendCommand(void* handle, std::int32_t command, std::int32_t parameter);

// ListCloseWindow: takes the widget away and releases the record. Unknown handles are ignored.
void closeViewer(void* handle);

}  // namespace qvx::doublecmd
