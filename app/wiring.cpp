#include "app/wiring.h"

#include "display/find_pic.h"
#include "display/make_desc.h"
#include "platform/fs.h"
#include "settings/ui/get_filename.h"
#include "tables/work_area.h"

namespace app {
namespace {

// The slide show entry at `record` of the list table, kept open in the calling
// thread under the alias "slides"; the record number moves on, wrapping to 1.
std::string nextSlide(const std::string& listFile, long& record) {
    if (!platform::isFile(listFile)) return "";
    if (!tables::isAliasOpen("slides")) {
        if (!tables::useArea(listFile, "slides", true, true)) return "";
    } else {
        tables::selectArea("slides");
    }
    tables::goTo(std::uint32_t(record < 1 ? 1 : record));
    std::string entry = tables::eof() ? std::string() : tables::fieldGetString("CODE");
    tables::skip(1);
    if (tables::eof()) tables::goTo(1);
    record = long(tables::recNo());
    if (record < 1) record = 1;
    return entry;
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
    s.readFile = [](const std::string& path, std::string* content) {
        return platform::readFile(path, content).isOk();
    };
    s.closeAllTables = [] { tables::closeAll(); };
    s.nextSlide = nextSlide;
    s.pause = [](int hundredths) { platform::sleepHundredths(hundredths); };
    return s;
}

SettingsPage::Chooser fileChooser() {
    return [](const std::string& start, const std::string& filter, const std::string& title) {
        return settings::ui::GetFilename(start, filter, title);
    };
}

}  // namespace app
