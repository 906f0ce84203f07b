#include "app/wiring.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "settings/ui/get_filename.h"

namespace app {
namespace {

void waitWhileMarked(const std::string& marker) {
    while (std::filesystem::exists(marker)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

template <typename Fn>
void stallWhileMarked(const std::string& marker, Fn& access) {
    access = [access = std::move(access), marker](auto&&... args) {
        waitWhileMarked(marker);
        return access(std::forward<decltype(args)>(args)...);
    };
}

class StalledLookup : public inventory::ItemLookup {
public:
    StalledLookup(std::unique_ptr<inventory::ItemLookup> lookup, std::string marker)
        : m_lookup(std::move(lookup)), m_marker(std::move(marker)) {}
    inventory::Description describe(const std::string& cCode, const std::string& cPath,
                                    inventory::Patience patience) override {
        waitWhileMarked(m_marker);
        return m_lookup->describe(cCode, cPath, patience);
    }

private:
    std::unique_ptr<inventory::ItemLookup> m_lookup;
    std::string m_marker;
};

}  // namespace

void stallForTests(std::unique_ptr<inventory::ItemLookup>& lookup, display::CycleServices& s) {
    const char* variable = std::getenv("LUMISETT_TEST_STALLED_READS");
    if (!variable || !*variable) return;
    const std::string marker = variable;
    lookup = std::make_unique<StalledLookup>(std::move(lookup), marker);
    stallWhileMarked(marker, s.findPic);
    stallWhileMarked(marker, s.isFile);
    stallWhileMarked(marker, s.readFile);
    stallWhileMarked(marker, s.nextSlide);
    stallWhileMarked(marker, s.fileStamp);
}

SettingsPage::Chooser fileChooser() {
    return [](const std::string& start, const std::string& filter, const std::string& title) {
        return settings::ui::GetFilename(start, filter, title);
    };
}

}  // namespace app
