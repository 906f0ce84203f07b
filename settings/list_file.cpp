#include "settings/list_file.h"

#include <memory>

#include "core/display_state.h"
#include "errors/recovery.h"
#include "platform/dialogs.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/temporary_file.h"
#include "settings/list_editor.h"
#include "workareas/work_area.h"

namespace settings {

const char* const kNothingToSave = "Nothing to save!!";
const char* const kCannotDeleteOldList =
    "Cannot delete old list!  It could be active by another user.\r\n"
    "or it could be another instance of this program running\r\n"
    "on this computer. Check that all other windows are closed,\r\n"
    "then try again.   The new list is NOT saved yet.";
const char* const kListNotSaved = "The new list is NOT saved.";
const char* const kCannotCreateList = "Cannot create list file!\r\n\r\nThe new list is NOT saved.";
const char* const kSavedToFile = "Saved to file: ";
const char* const kListUnreadable = "The slide show list cannot be read:\r\n";
const char* const kListUnreadableEnd =
    "\r\n\r\nThe slide show starts with an empty list. Save a new list to replace it.";

namespace {

// The value the field stores for `item`: blank-filled, or cut to the field
// (only blanks, as SaveList refuses anything else).
std::string stored(const std::string& item) {
    std::string value = item.substr(0, kListFieldWidth);
    value.resize(kListFieldWidth, ' ');
    return value;
}

// Whether another open (another program, or another thread of this one) has
// `path` open. The sharing scheme refuses an exclusive open then, on POSIX as
// on Windows, where deleting or renaming over an open file would succeed.
bool heldElsewhere(const std::string& path) {
    std::unique_ptr<platform::File> probe;
    platform::Status st = platform::openFile(
        path, {platform::Access::ReadOnly, platform::Share::Exclusive, platform::Disposition::Existing},
        &probe);
    return st.code() == platform::Status::Code::Locked;
}

// Whether the table at `path` holds exactly the items of `oList`, as stored.
bool holdsList(const std::string& path, const ListBox& oList) {
    if (!workareas::useArea(path, "", true, true)) return false;
    bool same = workareas::lastRec() == std::uint32_t(oList.count());
    for (int i = 1; same && i <= oList.count(); ++i) {
        workareas::goTo(std::uint32_t(i));
        same = workareas::fieldGetString(kListField) == stored(oList.itemText(i));
    }
    workareas::closeArea();
    return same;
}

void refuse(const std::string& message) {
    warningBeep(kSaveFailedTicks);
    platform::dialogs().messageBox(message);
}

void readRecords(ListBox& oList, const std::string& cListFile) {
    if (!workareas::isAliasOpen(kSlidesAlias)) {
        if (!workareas::useArea(cListFile, kSlidesAlias, true, false)) return;
    } else {
        // The caller is meant to have it current; make sure of it rather than
        // read (and close) whichever table happens to be.
        workareas::selectArea(kSlidesAlias);
        workareas::goTo(1);
    }
    while (!workareas::eof()) {
        oList.append(workareas::fieldGetString(kListField));
        workareas::skip(1);
    }
    workareas::closeArea();
}

}  // namespace

bool fitsListField(std::string_view entry) {
    const std::size_t end = entry.find_last_not_of(' ');
    return end == std::string_view::npos || end < std::size_t(kListFieldWidth);
}

std::string listEntryTooLong(std::string_view entry) {
    return "This entry is longer than the " + std::to_string(kListFieldWidth) +
           " characters a slide show list entry holds:\r\n\r\n" + std::string(entry);
}

void ReadList(ListBox& oList, const std::string& cListFile) {
    if (!platform::isFile(cListFile)) return;
    const int before = oList.count();
    try {
        readRecords(oList, cListFile);
    } catch (const errors::Unwind&) {
        // The user chose not to end the program over a damaged list: go on
        // without it rather than with part of it.
        errors::AbortEachStep().run([] {
            if (workareas::selectArea(kSlidesAlias)) workareas::closeArea();
        });
        while (oList.count() > before) oList.deleteAt(oList.count());
        platform::dialogs().messageBox(kListUnreadable + cListFile + kListUnreadableEnd);
    }
}

void SaveList(ListBox& oList, const std::string& cListFile, const PauseFn& pause) {
    const auto wait = [&](int hundredths) {
        if (pause) {
            pause(hundredths);
        } else {
            platform::sleepHundredths(hundredths);
        }
    };
    const int nItems = oList.count();
    if (nItems == 0) {
        platform::dialogs().messageBox(kNothingToSave);
        return;
    }
    for (int i = 1; i <= nItems; ++i) {
        const std::string item = oList.itemText(i);
        if (!fitsListField(item)) {
            return refuse(listEntryTooLong(item) + "\r\n\r\n" + kListNotSaved);
        }
    }
    core::StopDisplay(true);
    wait(100);
    workareas::closeAll();

    // The old list stays in place until the new one is complete, so a failed
    // save never leaves the shop without one.
    // Removed unless it takes the old one's place, also when an error ends
    // the program half-way.
    platform::TemporaryFile temp(cListFile + ".tmp");
    workareas::createTable(temp.path(), {{kListField, 'C', kListFieldWidth, 0}});
    if (!platform::isFile(temp.path())) return refuse(kCannotCreateList);
    if (workareas::useArea(temp.path(), "", true, false)) {
        for (int i = 1; i <= nItems; ++i) {
            if (!workareas::appendBlank()) break;
            workareas::fieldPut(kListField, oList.itemText(i));
        }
        workareas::closeArea();
    }
    if (!holdsList(temp.path(), oList)) return refuse(kCannotCreateList);

    if (platform::fileExists(cListFile) && heldElsewhere(cListFile)) {
        workareas::closeArea();
        wait(100);
        if (heldElsewhere(cListFile)) return refuse(kCannotDeleteOldList);
    }
    // Windows refuses to rename over a file someone has open: held all the same.
    if (!platform::renameFile(temp.path(), cListFile).isOk()) return refuse(kCannotDeleteOldList);
    temp.keep();
    platform::dialogs().messageBox(kSavedToFile + cListFile);
}

std::string nextSlide(const std::string& cListFile, long& record, std::string* next) {
    if (!platform::isFile(cListFile)) return "";
    if (workareas::isAliasOpen(kSlidesAlias)) {
        workareas::selectArea(kSlidesAlias);
    } else if (!workareas::useArea(cListFile, kSlidesAlias, true, true)) {
        return "";
    }
    workareas::goTo(std::uint32_t(record > 0 ? record : 0));
    std::string entry = workareas::fieldGetString(kListField);
    workareas::skip(1);
    if (workareas::eof()) workareas::goTo(1);
    record = long(workareas::recNo());
    if (next) *next = workareas::fieldGetString(kListField);
    return entry;
}

}  // namespace settings
