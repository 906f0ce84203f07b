#pragma once

#include <string>
#include <string_view>

#include "settings/list_box.h"

// The editing actions of the Slide Show List page. They change only the list
// box; nothing reaches the slide show until Apply/Save writes the list.
// Messages go through platform::dialogs(), beeps through platform::beep().
// GUI thread only.
namespace settings {

constexpr int kWarningHz = 300;
constexpr int kWarningTicks = 5;  // refused action, empty value
constexpr int kSaveFailedTicks = 10;

// Sounds the warning beep (300 Hz) for `ticks` ticks of 1/18 second.
void warningBeep(int ticks = kWarningTicks);

// Deletes the selected item; "Must select an item first" when none is.
void RemoveItem(ListBox& oList);

// Moves the selected item one place up (down) and keeps it selected; the
// warning beep for the first (last) item; "Must select an item first" when no
// item is selected. The item's text moves unchanged.
void MoveUp(ListBox& oList);
void MoveDown(ListBox& oList);

// The OK action of "Add code only": `fieldText` upper-cased (Windows-1252)
// and normalised; appended as the last item, or the warning beep when that
// leaves nothing, or the beep and a message (listEntryTooLong) when the list
// table could not hold it whole. Returns whether an item was added.
bool addManualCode(ListBox& oChooseList, std::string_view fieldText);

// The list entry for a picture chosen by "Add with image": `chosen` without
// any occurrence of `cPath` + "\" (case-sensitive), so a picture inside the
// data path stays relative to it. On POSIX, where the chosen path is native,
// `cPath` + "/" is removed as well. An empty data path removes nothing.
std::string imageEntry(std::string_view chosen, std::string_view cPath);

// The rest of "Add with image" once the chooser has answered: appends
// imageEntry(chosen, cPath), or beeps when the chooser gave "", or refuses an
// entry too long as addManualCode does. Returns whether an item was added.
bool addImageEntry(ListBox& oChooseList, std::string_view chosen, std::string_view cPath);

}  // namespace settings
