#include "settings/list_file.h"

#include <memory>

#include "core/display_state.h"
#include "errors/table_errors.h"
#include "platform/dialogs.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/temporary_file.h"
#include "settings/list_editor.h"
#include "tables/table.h"

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

// Whether `table` holds exactly the items of `oList`, as stored.
bool holdsList(tables::Table& table, const ListBox& oList) {
    std::uint32_t count = 0;
    if (!table.recordCount(&count).isOk() || count != std::uint32_t(oList.count())) return false;
    std::string value;
    for (int i = 1; i <= oList.count(); ++i) {
        if (!table.goTo(std::uint32_t(i)).isOk() || !table.getText(kListField, &value).isOk() ||
            value != stored(oList.itemText(i))) {
            return false;
        }
    }
    return true;
}

void refuse(const std::string& message) {
    warningBeep(kSaveFailedTicks);
    platform::dialogs().messageBox(message);
}

// Runs one table operation through the error handler: true when it was done,
// false when the handler let it fail.
template <class Op>
bool done(const char* operation, errors::TableStep step, Op op) {
    return errors::TableAction(operation).run(step, op).isOk();
}

void readRecords(ListBox& oList, const std::string& cListFile) {
    std::unique_ptr<tables::Table> table;
    if (!done("DbUseArea", errors::TableStep::Open,
              [&] { return tables::Table::open(cListFile, true, false, &table); })) {
        return;
    }
    if (!done("DbGoTop", errors::TableStep::Read, [&] { return table->first(); })) return;
    std::string value;
    while (!table->eof()) {
        if (!done("FieldGet", errors::TableStep::Field,
                  [&] { return table->getText(kListField, &value); })) {
            return;
        }
        oList.append(value);
        if (!done("DbSkip", errors::TableStep::Read, [&] { return table->next(); })) return;
    }
}

// Writes the items of `oList` into a new table beside `cListFile`, read back
// before it is closed; `*temp` is that file. False when the handler let an
// operation fail or the table read back is not the list.
bool writeList(const std::string& cListFile, const ListBox& oList,
               std::unique_ptr<platform::TemporaryFile>* temp) {
    std::unique_ptr<tables::Table> table;
    if (!done("DbCreate", errors::TableStep::Create, [&] {
            std::unique_ptr<platform::File> file;
            platform::Status st = platform::TemporaryFile::create(cListFile, temp, &file);
            if (!st.isOk()) return st.inFile(cListFile);
            return tables::Table::create(std::move(file), (*temp)->path(),
                                         {{kListField, 'C', kListFieldWidth, 0}}, &table);
        })) {
        return false;
    }
    for (int i = 1; i <= oList.count(); ++i) {
        if (!done("DbAppend", errors::TableStep::Write, [&] { return table->appendBlank(); }) ||
            !done("FieldPut", errors::TableStep::Write,
                  [&] { return table->putText(kListField, oList.itemText(i)); })) {
            return false;
        }
    }
    return done("DbCommit", errors::TableStep::Write, [&] { return table->commit(); }) &&
           holdsList(*table, oList);
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
        while (oList.count() > before) oList.deleteAt(oList.count());
        platform::dialogs().messageBox(kListUnreadable + cListFile + kListUnreadableEnd);
    }
}

void SaveList(ListBox& oList, const std::string& cListFile, const std::function<void()>& releaseDisplayTables,
              const PauseFn& pause) {
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
    if (releaseDisplayTables) releaseDisplayTables();

    // The old list stays in place until the new one is complete, so a failed
    // save never leaves the shop without one.
    // Written through the handle that created it, under a name no one can
    // know before, and removed unless it takes the old one's place, also when
    // an error ends the program half-way.
    std::unique_ptr<platform::TemporaryFile> temp;
    if (!writeList(cListFile, oList, &temp)) return refuse(kCannotCreateList);

    // Another program (another display of this profile elsewhere) may hold
    // the old list: one retry a second later.
    if (platform::fileExists(cListFile) && heldElsewhere(cListFile)) {
        wait(100);
        if (heldElsewhere(cListFile)) return refuse(kCannotDeleteOldList);
    }
    // Windows refuses to rename over a file someone has open: held all the
    // same. A link at cListFile is replaced, never written through; a folder
    // there stays, and the new list with it is not saved.
    if (!temp->install(cListFile).isOk()) return refuse(kCannotDeleteOldList);
    platform::dialogs().messageBox(kSavedToFile + cListFile);
}

std::string nextSlide(const std::string& cListFile, long& record, std::string* next) {
    if (!platform::isFile(cListFile)) return "";
    std::unique_ptr<tables::Table> table;
    if (!done("DbUseArea", errors::TableStep::Open,
              [&] { return tables::Table::open(cListFile, true, true, &table); })) {
        return "";
    }
    std::string entry, following;
    const bool read =
        done("DbGoto", errors::TableStep::Read,
             [&] { return table->goTo(std::uint32_t(record > 0 ? record : 0)); }) &&
        done("FieldGet", errors::TableStep::Field, [&] { return table->getText(kListField, &entry); }) &&
        done("DbSkip", errors::TableStep::Read, [&] { return table->next(); }) &&
        (!table->eof() || done("DbGoto", errors::TableStep::Read, [&] { return table->goTo(1); })) &&
        done("FieldGet", errors::TableStep::Field,
             [&] { return table->getText(kListField, &following); });
    if (!read) return "";
    record = long(table->recno());
    if (next) *next = following;
    return entry;
}

}  // namespace settings
