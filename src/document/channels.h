// Saved selections: the document's channel list (canvas-sized 8-bit masks named "Alpha N") and
// the Save Selection and Load Selection commands that exchange them with the selection.
//
// Combination operations: 0 replace, 1 add, 2 subtract, 3 intersect (the pixel rules of
// combineMasks). Every operation returns 1 on success and 0 on failure, changing nothing then.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/surface.h"
#include "document/document.h"
#include "document/selection.h"

namespace varnel {

inline constexpr std::string_view kChannelNamePrefix = "Alpha ";

// "Alpha " followed by N + 1, N being the largest number after that prefix among the channel
// names (names whose number does not fit an int are ignored): "Alpha 1" for the first channel,
// "Alpha 4" beside "Alpha 1" and "Alpha 3".
std::string nextChannelName(const ChannelList& channels);

// Appends the selection's canvas mask as a new channel named `name` (empty: the channel-name
// rule). Fails when nothing is selected or the selection belongs to a canvas of another size.
// Undo: takeChannel of the last index.
int saveSelectionAsChannel(Document& document, const Selection& selection, const std::string& name);

// Combines the selection's canvas mask into channel `index` with the operation. `previous`, when
// given, receives a copy of the channel as it was, for restoreChannel. Fails when nothing is
// selected, the index is bad, or the channel is not of the canvas's size.
int saveSelectionToChannel(Document& document, const Selection& selection, int index,
                           int32_t operation, std::unique_ptr<Channel>* previous = nullptr);

// Removes channel `index` and hands it over (null for a bad index).
std::unique_ptr<Channel> takeChannel(Document& document, int index);

// Channel `index` takes the name and pixels of `saved` (the version kept before a save into it).
int restoreChannel(Document& document, int index, const Channel& saved);

// Loads channel `index` (or its inverse, every value 255 − v) into the selection: operation 0
// replaces the selection; 1, 2 and 3 combine the selection's canvas mask with the channel and
// load the result. Fails for a bad index or a channel or selection of another canvas size.
int loadSelectionFromChannel(Selection& selection, const Document& document, int index, bool invert,
                             int32_t operation);

}  // namespace varnel
