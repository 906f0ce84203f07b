// doctor: the program folder's slide show list and error logs.
#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/xbase_values.h"
#include "display/code_file.h"
#include "errors/error_log.h"
#include "platform/file_stamp.h"
#include "platform/fs.h"
#include "settings/list_file.h"
#include "tables/table.h"
#include "tools/doctor.h"

namespace tools::doctor {
namespace {

// Slide show list entries looked at: a list is made by hand, so a table of
// more records is no list a shop made, and is not looked up whole.
constexpr std::size_t kSlideEntries = 1000;
// The error logs named, newest first.
constexpr std::size_t kLogsShown = 5;
// An error log is a page of text; more is read as no log.
constexpr std::uint64_t kLogLimit = 1024 * 1024;

// The value of the log's line that starts with `head`: what follows the
// first ':' at or after `from`, trimmed; "" when there is no such line.
std::string logValue(const std::string& log, const std::string& head, std::size_t from) {
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find("\r\n", start);
        if (end == std::string::npos) end = log.size();
        const std::string_view line(log.data() + start, end - start);
        if (line.starts_with(head)) {
            const std::size_t colon = line.find(':', from);
            return colon == std::string_view::npos ? "" : core::alltrim(line.substr(colon + 1));
        }
        start = end + 2;
    }
    return "";
}

struct Log {
    std::string name;
    std::chrono::nanoseconds modified{0};
    std::string date, description;
};

}  // namespace

void checkSlideList(const Shop& shop, Report& report) {
    const std::string& file = shop.files.listFile;
    if (!platform::isFile(file)) {
        report.ok("slide show list " + file + ": none, the slide show shows the logo");
        return;
    }
    std::unique_ptr<tables::Table> list;
    std::vector<std::string> entries;
    std::string entry;
    platform::Status st = tables::Table::open(file, true, true, &list);
    std::uint32_t records = 0;
    if (st.isOk()) st = list->recordCount(&records);
    for (st = st.isOk() ? list->first() : st; st.isOk() && !list->eof() && entries.size() < kSlideEntries;
         st = list->next()) {
        st = list->getText(settings::kListField, &entry);
        if (!st.isOk()) break;
        entries.push_back(core::rtrim(entry));
    }
    if (!st.isOk()) {
        report.fail("slide show list " + file + ": cannot be read: " + st.message(),
                    "make the list again on the Slide Show List page and Apply/Save");
        return;
    }
    std::vector<std::string> unresolved;
    for (const std::string& e : entries) {
        const display::ParsedEntry parsed = display::parseEntry(e, shop.settings.cPath);
        const bool resolves = platform::isFile(parsed.target) ||
                              (!parsed.code.empty() && lookupProblem(parsed.code, shop.settings.cPath).empty());
        if (!resolves) unresolved.push_back(e.empty() ? "(empty)" : e);
    }
    std::string what = "slide show list " + file + ": " + std::to_string(entries.size()) + " entries";
    if (records > entries.size()) what += " looked at (of " + std::to_string(records) + ")";
    if (unresolved.empty()) {
        report.ok(what + ", each an item found or a picture present");
        return;
    }
    std::string names;
    for (std::size_t i = 0; i < unresolved.size() && i < 10; ++i) names += (i ? ", " : "") + unresolved[i];
    if (unresolved.size() > 10) names += ", ...";
    report.warn(what + ", " + std::to_string(unresolved.size()) + " neither an item found nor a picture present: " +
                    names,
                "correct or remove them on the Slide Show List page");
}

void checkErrorLogs(const Shop& shop, Report& report) {
    std::vector<Log> logs;
    for (int n = 0; n < 1000; ++n) {
        const std::string name = errors::errorLogName(n);
        const std::string path = shop.appPath + "\\" + name;
        const auto stamp = platform::fileStamp(path);
        if (!stamp) continue;
        std::string text;
        Log log{name, stamp->modified, "", ""};
        if (platform::readFile(path, &text, kLogLimit).isOk()) {
            const std::size_t date = text.find("\" Date: ");
            if (date != std::string::npos) {
                const std::size_t end = text.find("\r\n", date);
                log.date = text.substr(date + 8, end == std::string::npos ? std::string::npos : end - date - 8);
            }
            log.description = logValue(text, "oError:description", 20);
        }
        logs.push_back(std::move(log));
    }
    if (logs.empty()) {
        report.ok("error log: none in " + shop.appPath);
        return;
    }
    std::stable_sort(logs.begin(), logs.end(),
                     [](const Log& a, const Log& b) { return a.modified > b.modified; });
    for (std::size_t i = 0; i < logs.size() && i < kLogsShown; ++i) {
        const Log& log = logs[i];
        report.warn("error log " + shop.appPath + "\\" + log.name + ": " +
                        (log.date.empty() ? "no date" : log.date) + ": " +
                        (log.description.empty() ? "no description" : log.description),
                    i == 0 ? "deal with its cause, then move the error logs out of the program folder"
                           : "");
    }
    if (logs.size() > kLogsShown) {
        report.warn(std::to_string(logs.size() - kLogsShown) + " older error logs in " + shop.appPath);
    }
}

}  // namespace tools::doctor
