#include "settings/list_editor.h"

#include <optional>

#include "core/xbase_values.h"
#include "display/normalize.h"
#include "platform/beep.h"
#include "platform/dialogs.h"

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
    std::string cData = display::Normalize(core::upper(fieldText));
    if (cData.empty()) {
        warningBeep();
        return false;
    }
    oChooseList.append(cData);
    return true;
}

std::string imageEntry(std::string_view chosen, std::string_view cPath) {
    // With no data path the prefix would be a lone separator, and removing
    // every one of those would leave a name that points nowhere.
    if (cPath.empty()) return std::string(chosen);
    std::string entry = core::replaceAll(chosen, std::string(cPath) + "\\", "");
#ifndef _WIN32
    entry = core::replaceAll(entry, std::string(cPath) + "/", "");
#endif
    return entry;
}

bool addImageEntry(ListBox& oChooseList, std::string_view chosen, std::string_view cPath) {
    std::string cPathTemp = imageEntry(chosen, cPath);
    if (cPathTemp.empty()) {
        warningBeep();
        return false;
    }
    oChooseList.append(cPathTemp);
    return true;
}

}  // namespace settings
