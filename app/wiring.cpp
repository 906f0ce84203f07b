#include "app/wiring.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "display/find_pic.h"
#include "display/make_desc.h"
#include "platform/file_stamp.h"
#include "platform/fs.h"
#include "settings/list_file.h"
#include "settings/ui/get_filename.h"
#include "workareas/work_area.h"

namespace app {
namespace {

// For the end-to-end tests: while the file that LUMISETT_TEST_STALLED_READS
// names exists, every file access of the display cycle (the code file, the
// list table, the lookups, the picture files, closing the tables) waits, as
// one on a share that no longer answers does. Unset, they go straight through.
template <typename Fn>
void stallWhileMarked(const char* marker, Fn& access) {
    access = [access = std::move(access), marker = std::string(marker)](auto&&... args) {
        while (std::filesystem::exists(marker)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return access(std::forward<decltype(args)>(args)...);
    };
}

}  // namespace

display::CycleServices makeCycleServices() {
    display::CycleServices s;
    s.makeDesc = [](const std::string& code, const std::string& path) {
        return display::MakeDesc(code, path);
    };
    s.findPic = [](const std::string& code, const std::string& path) {
        return display::FindPic(code, path);
    };
    s.isFile = [](const std::string& path) { return platform::isFile(path); };
    s.readFile = platform::readFile;
    s.closeAllTables = [] { workareas::closeAll(); };
    s.nextSlide = [](const std::string& listFile, long& record, std::string* next) {
        return settings::nextSlide(listFile, record, next);
    };
    s.pause = [](int hundredths) { platform::sleepHundredths(hundredths); };
    s.fileStamp = [](const std::string& path) { return platform::fileStamp(path); };
    s.now = [] { return std::chrono::steady_clock::now(); };
    const char* marker = std::getenv("LUMISETT_TEST_STALLED_READS");
    if (marker && *marker) {
        stallWhileMarked(marker, s.makeDesc);
        stallWhileMarked(marker, s.findPic);
        stallWhileMarked(marker, s.isFile);
        stallWhileMarked(marker, s.readFile);
        stallWhileMarked(marker, s.closeAllTables);
        stallWhileMarked(marker, s.nextSlide);
        stallWhileMarked(marker, s.fileStamp);
    }
    return s;
}

SettingsPage::Chooser fileChooser() {
    return [](const std::string& start, const std::string& filter, const std::string& title) {
        return settings::ui::GetFilename(start, filter, title);
    };
}

}  // namespace app
