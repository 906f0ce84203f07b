#include "app/testing/stalled_reads.h"

#include <chrono>
#include <filesystem>
#include <thread>
#include <utility>

namespace app {
namespace {

void waitWhileMarked(const std::string& marker) {
    while (std::filesystem::exists(marker)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

template <typename Fn>
void stallAccess(const std::string& marker, Fn& access) {
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

Program::AccessWrapper stallReadsWhileMarked(std::string marker) {
    return [marker = std::move(marker)](std::unique_ptr<inventory::ItemLookup>& lookup,
                                        display::CycleServices& s) {
        lookup = std::make_unique<StalledLookup>(std::move(lookup), marker);
        stallAccess(marker, s.findPic);
        stallAccess(marker, s.isFile);
        stallAccess(marker, s.readFile);
        stallAccess(marker, s.nextSlide);
        stallAccess(marker, s.fileStamp);
    };
}

}  // namespace app
