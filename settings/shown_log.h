#pragma once

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What customers looked at ([ShownLog]): a CSV line for each item shown, in
// one file per profile and month in the program folder, and the counting of
// `lumisett-tool shown`. Codes and times only, nothing about people.
namespace settings {

// Where an item shown came from.
enum class ShownSource { Till, SlideShow, Typed };
// "till", "slide show", "typed".
const char* sourceName(ShownSource source);

// The log of profile `profile` for the month `local` falls in:
// appPath + "\" + profile + "-shown-YYYY-MM.csv".
std::string shownLogFile(const std::string& appPath, const std::string& profile, const std::tm& local);

// The file's first line, and one line for an item shown: the local time
// ("2026-12-08 20:31:05"), the code, the source and the station (the folder
// of the till's code file, "" for the others); fields holding a comma or a
// quote are quoted as CSV quotes them. Lines end in CR LF.
inline constexpr const char* kShownLogHead = "time,code,source,station\r\n";
std::string shownLogLine(const std::tm& local, const std::string& code, ShownSource source,
                         const std::string& station);

// The most a month's file grows to; later items of that month are not
// logged (one note on stderr).
inline constexpr std::uint64_t kShownLogMaxBytes = 20ull << 20;

// The log of one profile. Writing is done by a thread of its own, so a slow
// or failing disk never holds up the display: an item that cannot be written
// (or comes while a thousand wait) is dropped, what the file held stays
// whole, and the display goes on. The file is only ever appended to, never a
// link or anything but a regular file (platform::appendToFile).
class ShownLog {
public:
    ShownLog(std::string appPath, std::string profile, std::uint64_t maxBytes = kShownLogMaxBytes);
    // Writes what waits (the thread is joined).
    ~ShownLog();
    ShownLog(const ShownLog&) = delete;
    ShownLog& operator=(const ShownLog&) = delete;

    // Notes that `code` was shown at `when` from `source`, at `station`.
    // Returns at once. Any thread.
    void shown(std::time_t when, const std::string& code, ShownSource source, const std::string& station);
    // Waits until everything noted so far was written or dropped (tests).
    void flush();

private:
    struct Item {
        std::time_t when;
        std::string code;
        ShownSource source;
        std::string station;
    };
    void run();
    void write(const Item& item);

    const std::string m_appPath, m_profile;
    const std::uint64_t m_maxBytes;
    std::mutex m_mutex;
    std::condition_variable m_wake, m_idle;
    std::deque<Item> m_waiting;
    bool m_writing = false;
    bool m_stop = false;
    bool m_toldFull = false, m_toldFailing = false;
    std::thread m_thread;
};

// What `lumisett-tool shown` reports: for each source, each code with the
// times it was shown, most shown first (equal counts by code).
struct ShownCounts {
    std::map<std::string, std::vector<std::pair<std::string, long>>> bySource;
    long lines = 0;    // items counted
    long skipped = 0;  // lines that are no item line
};

// Counts the items of the CSV files `files` shown from `from` to `to`
// ("YYYY-MM-DD", inclusive; "" leaves that end open).
ShownCounts countShown(const std::vector<std::string>& files, const std::string& from, const std::string& to);

}  // namespace settings
