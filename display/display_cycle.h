#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "display/code_file.h"
#include "display/display_mode.h"
#include "inventory/make_desc.h"
#include "platform/file_stamp.h"
#include "platform/status.h"
#include "settings/applied_settings.h"

namespace display {

// What one turn tells the Display page. Called on the thread that runs the
// turn (the display timer thread); the Qt implementation posts every call to
// the GUI thread, in order, and never waits for it.
class DisplayWindow {
public:
    virtual ~DisplayWindow() = default;
    virtual void showFreezeButton() = 0;
    virtual void hideFreezeButton() = 0;
    virtual void showFlasher() = 0;
    virtual void hideFlasher() = 0;
    virtual void hidePicture() = 0;
    // Loads `file` into the picture widget, paints it and shows the widget. A
    // file that cannot be loaded keeps the previous picture (missing file) or
    // leaves the canvas empty (undecodable picture). Decoding happens here, on
    // the calling thread.
    virtual void showPicture(const std::string& file) = 0;
    // A picture the next turn is likely to show: the window may decode it
    // ahead, off the calling thread, so that showPicture takes no decoding
    // then. Returns at once and shows nothing. By default nothing is done.
    virtual void preparePicture(const std::string& /*file*/) {}
    virtual void setTitle(const std::string& text) = 0;
    virtual void setTitle2(const std::string& text) = 0;
    virtual void setDescription(const std::string& text) = 0;
};

// The slide show period field of the Settings page as it shows now, edited or
// not: each slide show turn takes the slide show's period from it. Any thread.
class SlidePeriodField {
public:
    virtual ~SlidePeriodField() = default;
    virtual double value() const = 0;
};

// What a turn needs of files, time and the slide show list; tests replace
// any of them. fileServices() gives the real ones.
struct CycleServices {
    std::function<std::string(const std::string& code, const std::string& path)> findPic;
    // An item found in the tables was put on the screen: its code, the source
    // it came from and the station (the till's folder, "" for the others);
    // for [ShownLog]. Empty: nothing is told.
    std::function<void(const std::string& code, Source source, const std::string& station)> shown;
    // The further views beside a picture (FindViews), for [Views].
    std::function<std::vector<std::string>(const std::string& first)> findViews;
    // As platform::isFile and platform::readFile (only regular files count;
    // a read beyond `limit` bytes is refused as TooLarge).
    std::function<bool(const std::string& path)> isFile;
    std::function<platform::Status(const std::string& path, std::string* content,
                                   std::uint64_t limit)>
        readFile;
    // The slide show entry at `record` of the list table; advances `record`
    // to the next entry, wrapping to 1 after the last, and puts that entry
    // into `*next`. "" when the table does not exist (`*next` then stays as
    // it is). settings::nextSlide.
    std::function<std::string(const std::string& listFile, long& record, std::string* next)> nextSlide;
    // Pauses the calling thread.
    std::function<void(int hundredths)> pause;
    // Whether the till has closed the code file since it last wrote it: true
    // closed, false still open for writing, nullopt unknown (the system cannot
    // tell). Empty: unknown.
    std::function<std::optional<bool>(const std::string& path)> writerDone;
    // What tells one version of the code file from the next (platform::fileStamp),
    // and the time now.
    std::function<std::optional<platform::FileStamp>(const std::string& path)> fileStamp;
    std::function<std::chrono::steady_clock::time_point()> now;
};

// The real services: the picture finder, the platform's files, the slide
// show list table, real pauses and time.
CycleServices fileServices();

// A turn that another thread asks for (TimerThread::askTurn). It is a value,
// never a word in place of a path.
struct TurnRequest {
    enum class Kind {
        Timer,  // the timer's own turn
        Show,   // Show: a turn at once, in the source Show chose
        Reset,  // Apply/Save, or letting go of the tables: the next turn redraws
    };
    Kind kind = Kind::Timer;
    // For Show: the display source it chose. A source changed since (Watch
    // pressed before the turn ran) drops the turn; the source's own turns
    // follow at its period.
    Source askedIn = Source::Slides;
};

// One turn of the display: obtain the code from the current display source
// and, when it differs from the code on screen, show its description, its
// picture (or the logo) and the title lines. The code file path and the data
// path are those `settings` has in force when the turn starts. Turns must not
// overlap: the caller serialises them (TurnGate).
class DisplayCycle {
public:
    DisplayCycle(core::ProgramState& state, DisplayMode& mode, DisplayWindow& window,
                 inventory::ItemLookup& lookup, const SlidePeriodField& slowField,
                 const settings::AppliedSettings& settings, CycleServices services);

    // One turn as `request` asks, as a recovery point: a run-time error that
    // unwinds abandons the turn (the next turn redraws) instead of ending the
    // thread.
    void turn(const TurnRequest& request = {});

    // [Views]: while an item stays on the screen, shows its next view (the
    // pictures FindViews finds beside its first) once the seconds the settings
    // give have passed, round and round; a new item starts at its first
    // picture. Nothing else changes. Called between turns, as often as the
    // timer ticks, serialised with the turns (TurnGate).
    void stepViews();

    long slideRecord() const { return m_nSlideRecord; }
    const std::string& lastCode() const { return m_cLastCode; }

private:
    // The turn itself: the code from the code file `cCodeFile` or the
    // display source, shown with the tables of the data path `cPath`.
    void HangPicture(const std::string& cPath, const std::string& cCodeFile, double idleSeconds);
    // The next turn redraws, whatever code it finds.
    void reset();
    // Looks the code up and shows it. A lookup that could not read the
    // tables just now shows nothing (the screen stays; the code does not
    // count as shown, so the next turn tries again); once that has lasted
    // kLastingBusy (kFilesGoneWait for a file absent), the lookup reports
    // its failure as it always did. The same code looked up again redraws
    // only when its text changed.
    void redraw(const std::string& cPath, std::string cTarget);
    // Whether `parsed` from the code file `cCodeFile` is whole: the till has
    // closed the file since it wrote it, or it holds an item code or names a
    // picture file that exists. Anything else (half a code, caught while the
    // till still writes it) counts only once the file, as `stamp` says, has
    // stayed as it is for kUnsettledWait.
    bool settled(const std::string& cCodeFile, const ParsedEntry& parsed,
                 const std::optional<platform::FileStamp>& stamp);
    // The picture file of `code`: `cTarget` when it names an existing file,
    // else the picture finder's; "" when there is none (the logo then shows).
    std::string pictureOf(const std::string& code, const std::string& cTarget,
                          const std::string& cPath);
    // During the slide show's wait the next slide's picture is decoded ahead.
    // Its description is not: the turn composes it again, as the tables may
    // change meanwhile, and a lookup costs far less than a decode.
    void prepareSlide(const std::string& entry, const std::string& cPath);

    // A turn of the idle slide show: Resume when the code file has changed
    // since the data monitor handed over (the data monitor then runs again
    // and shows its code, even the one shown before), Slide when the next
    // slide is due, else Wait. Its turns come at the data monitor's period,
    // so the code file is polled as often as before; the slides change at the
    // slide show's.
    enum class IdleTurn { Resume, Slide, Wait };
    IdleTurn idleTurn(const std::string& cCodeFile);
    // After a data monitor turn: a changed code file restarts the idle time;
    // once it has run out the data monitor hands over to the slide show. Not
    // while the code file cannot be read (its message stays).
    void followIdleTime(const std::string& cCodeFile, bool codeRead, double idleSeconds);
    std::chrono::steady_clock::time_point now() const;
    std::optional<platform::FileStamp> codeFileStamp(const std::string& cCodeFile) const;

    core::ProgramState& m_state;
    DisplayMode& m_mode;
    DisplayWindow& m_window;
    inventory::ItemLookup& m_lookup;
    const SlidePeriodField& m_slowField;
    const settings::AppliedSettings& m_settings;
    CycleServices m_services;
    Source m_turnSource = Source::Data;  // where the turn in progress takes its code
    long m_nSlideRecord = 1;
    std::string m_cLastCode = "xxx";
    std::string m_shownText;  // the description shown for m_cLastCode

    // Since when lookups have found the tables busy, without a break.
    std::optional<std::chrono::steady_clock::time_point> m_busySince;
    // Since when the lookups find a table or index file absent.
    std::optional<std::chrono::steady_clock::time_point> m_missingSince;
    // The code file as it was when its code was last looked up.
    std::optional<platform::FileStamp> m_lookedUpStamp;
    // A code file that holds no whole code: its stamp, and since when.
    struct Unsettled {
        platform::FileStamp stamp;
        std::chrono::steady_clock::time_point since;
    };
    std::optional<Unsettled> m_unsettled;

    // [Views]: the pictures of the item on the screen, the one shown, since when.
    std::vector<std::string> m_views;
    std::size_t m_view = 0;
    std::chrono::steady_clock::time_point m_viewSince;

    // Since when the data monitor has seen the code file unchanged; none
    // while another source runs.
    std::optional<std::chrono::steady_clock::time_point> m_unchangedSince;
    std::optional<platform::FileStamp> m_codeFileStamp;  // at the last data monitor turn
    std::optional<std::chrono::steady_clock::time_point> m_lastIdleSlide;
};

// How long lookups may find the tables busy before the failure is reported
// (the error handler's box, the missing-index text).
inline constexpr std::chrono::seconds kLastingBusy{60};
// How long a table or index file may stay absent before the missing-file
// (or not-found) text is shown: a point-of-sale that deletes a file and
// writes it again takes a fraction of a second; a file removed for good stays away.
inline constexpr std::chrono::milliseconds kFilesGoneWait{2000};
// How long a code file that holds no whole code must stay as it is before
// it is shown: a till that pauses inside one write (up to a second) never
// shows half a code.
inline constexpr std::chrono::milliseconds kUnsettledWait{1500};

// The texts the cycle shows.
inline constexpr const char* kMissingCodeFileText =
    "ERROR! Could not open image.tmp.  Please check file path on settings page.";
// Added to the diagnostics of kMissingCodeFileText when the code file is far
// larger than any code file (platform::kCodeFileLimit); followed by the limit.
inline constexpr const char* kCodeFileTooLargeText =
    "The file is too large for a code file; it may hold at most bytes: ";

}  // namespace display
