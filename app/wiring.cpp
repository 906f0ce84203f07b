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
// names exists, every file read of the display cycle waits, as a read from a
// share that no longer answers does. Unset, reads go straight through.
using ReadFn = decltype(display::CycleServices::readFile);

ReadFn stalledWhileMarked(ReadFn read) {
    const char* marker = std::getenv("LUMISETT_TEST_STALLED_READS");
    if (!marker || !*marker) return read;
    return [read = std::move(read), marker = std::string(marker)](
               const std::string& path, std::string* content, std::uint64_t limit) {
        while (std::filesystem::exists(marker)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return read(path, content, limit);
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
    s.readFile = stalledWhileMarked(platform::readFile);
    s.closeAllTables = [] { workareas::closeAll(); };
    s.nextSlide = [](const std::string& listFile, long& record, std::string* next) {
        return settings::nextSlide(listFile, record, next);
    };
    s.pause = [](int hundredths) { platform::sleepHundredths(hundredths); };
    s.fileStamp = [](const std::string& path) { return platform::fileStamp(path); };
    s.now = [] { return std::chrono::steady_clock::now(); };
    return s;
}

SettingsPage::Chooser fileChooser() {
    return [](const std::string& start, const std::string& filter, const std::string& title) {
        return settings::ui::GetFilename(start, filter, title);
    };
}

}  // namespace app
