#include "settings/list_editor.h"

#include <optional>

#include "core/xbase_values.h"
#include "inventory/normalize.h"
#include "platform/beep.h"
#include "platform/dialogs.h"
#include "platform/path.h"
#include "settings/list_file.h"

namespace settings {
namespace {

std::optional<int> selectedOrComplain(const ListBox& oList) {
    std::optional<int> n = oList.selection();
    if (!n || *n < 1 || *n > oList.count()) {
        platform::dialogs().messageBox("Must select an item first");
        return std::nullopt;
    }
    return n;
}

// Appends `entry`; an empty one only beeps, one the list table cannot hold
// whole is refused with a message.
bool appendEntry(ListBox& oChooseList, const std::string& entry) {
    if (entry.empty()) {
        warningBeep();
        return false;
    }
    if (!fitsListField(entry)) {
        warningBeep();
        platform::dialogs().messageBox(listEntryTooLong(entry) + "\r\n\r\nIt was not added.");
        return false;
    }
    oChooseList.append(entry);
    return true;
}

}  // namespace

void warningBeep(int ticks) {
    platform::beep(kWarningHz, ticks);
}

void RemoveItem(ListBox& oList) {
    if (std::optional<int> n = selectedOrComplain(oList)) oList.deleteAt(*n);
}

void MoveUp(ListBox& oList) {
    std::optional<int> n = selectedOrComplain(oList);
    if (!n) return;
    std::string cItem = oList.itemText(*n);
    if (*n < 2) {
        warningBeep();
        return;
    }
    oList.insertAt(*n - 1, cItem);
    oList.deleteAt(*n + 1);
    oList.select(*n - 1);
}

void MoveDown(ListBox& oList) {
    std::optional<int> n = selectedOrComplain(oList);
    if (!n) return;
    std::string cItem = oList.itemText(*n);
    if (*n + 1 > oList.count()) {
        warningBeep();
        return;
    }
    oList.insertAt(*n + 2, cItem);
    oList.deleteAt(*n);
    oList.select(*n + 1);
}

bool addManualCode(ListBox& oChooseList, std::string_view fieldText) {
    return appendEntry(oChooseList, inventory::Normalize(core::upper(fieldText)));
}

std::string imageEntry(std::string_view chosen, std::string_view cPath) {
    // With no data path the prefix would be a lone separator, and removing
    // every one of those would leave a name that points nowhere.
    if (cPath.empty()) return std::string(chosen);
    std::string entry = core::replaceAll(chosen, std::string(cPath) + "\\", "");
    // The chooser gives native paths: where they are not in the program's
    // own form, their prefix goes too.
    if (platform::kNativeSeparator != '\\')
        entry = core::replaceAll(entry, std::string(cPath) + platform::kNativeSeparator, "");
    return entry;
}

bool addImageEntry(ListBox& oChooseList, std::string_view chosen, std::string_view cPath) {
    return appendEntry(oChooseList, imageEntry(chosen, cPath));
}

}  // namespace settings
