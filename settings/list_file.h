#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "settings/list_box.h"

// The slide show list table: one character field CODE of 60, one record per
// list entry in list order, in the program folder under the profile's name
// (cListFile, with its ".dbf"). The Slide Show List page reads it at start and
// saves it on Apply/Save; the display cycle steps through it on the timer
// thread. Each of them opens the table for itself and closes it before it
// returns.
//
// Table errors beyond the checks named below (an unreadable table, a field
// that cannot be written) go to the error handler (errors::TableAction), like
// any other table operation. GUI thread, except nextSlide.
namespace settings {

inline constexpr const char* kListField = "CODE";
inline constexpr int kListFieldWidth = 60;

// Whether the field holds `entry` whole (blanks after its 60th character
// aside: the field's own filling).
bool fitsListField(std::string_view entry);
// Says that `entry` does not fit the field, naming the limit and the entry.
std::string listEntryTooLong(std::string_view entry);

// Pauses the calling thread for `hundredths` of a second.
using PauseFn = std::function<void(int hundredths)>;

// Appends one item per record of `cListFile`, in record order, with the
// field's blank filling. A missing table leaves the list as it is, without a
// message. A table that cannot be read raises its error; when the user does
// not end the program there (the error unwinds), the list is left as it was
// and kListUnreadable + cListFile + kListUnreadableEnd says that the slide
// show starts without it.
void ReadList(ListBox& oList, const std::string& cListFile);

// Replaces the table `cListFile` with the items of `oList`, blank-filled to
// the field. An empty list only shows "Nothing to save!!"; an item that does
// not fit the field is never cut: the first such one refuses the save with
// the warning beep and listEntryTooLong + kListNotSaved, before anything is
// touched. Otherwise it suspends the display (core::StopDisplay(true), left on
// whatever happens), waits until the display has let go of the table
// (`releaseDisplayTables`: its turn in progress has ended, and no other
// starts while it is suspended) and writes the new table beside the old one
// (platform::TemporaryFile: "<cListFile>.<random>.tmp", created new and
// written through the handle that created it, never through a link). Only
// when that is complete and no one else holds the old table open does it
// take the old one's place (a link there is replaced, a folder there refuses
// the save); one retry after a further
// second (`pause`; platform::sleepHundredths when empty). On failure the old
// table stays as it was, the temporary file goes, and the warning beep (10
// ticks) comes with "Cannot create list file! ..." or "Cannot delete old list!
// ..."; on success "Saved to file: " + cListFile. Message boxes go through
// platform::dialogs().
void SaveList(ListBox& oList, const std::string& cListFile,
              const std::function<void()>& releaseDisplayTables = {}, const PauseFn& pause = {});

// The messages of SaveList.
extern const char* const kNothingToSave;
extern const char* const kCannotDeleteOldList;  // four lines joined by CR LF
extern const char* const kCannotCreateList;
extern const char* const kListNotSaved;
extern const char* const kSavedToFile;          // followed by cListFile
extern const char* const kListUnreadable;        // cListFile and kListUnreadableEnd follow
extern const char* const kListUnreadableEnd;

// One slide show step as the display cycle takes it, for any thread: reads
// CODE of record `record` of `cListFile` (opened read-only and closed again)
// and moves `record` on to the next record, or to 1 after the last (a record
// beyond the end reads blank and restarts at 1); when `next` is given, the
// entry of that next record goes there. "" without touching `record` or
// `next` when the table does not exist, or when a failed read was let fail by
// the error handler.
std::string nextSlide(const std::string& cListFile, long& record, std::string* next = nullptr);

}  // namespace settings
