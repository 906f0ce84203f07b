#include "settings/shown_log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/write_faults.h"
#include "testsupport/hostile_files.h"
#include "testsupport/temp_dir.h"

namespace settings {
namespace {

std::tm at(int year, int month, int day, int hour = 10, int minute = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    return t;
}

std::time_t when(int year, int month, int day, int hour = 10, int minute = 0) {
    std::tm t = at(year, month, day, hour, minute);
    return std::mktime(&t);
}

TEST(ShownLogTest, LinesAndFiles) {
    EXPECT_EQ(shownLogFile("C:\\SHOP", "TILL1", at(2026, 12, 8)), "C:\\SHOP\\TILL1-shown-2026-12.csv");
    EXPECT_EQ(shownLogLine(at(2026, 12, 8, 9, 5), "CH--123", ShownSource::Till, "till1"),
              "2026-12-08 09:05:00,CH--123,till,till1\r\n");
    EXPECT_EQ(shownLogLine(at(2026, 1, 31), "A,\"B\"", ShownSource::Typed, ""),
              "2026-01-31 10:00:00,\"A,\"\"B\"\"\",typed,\r\n");
}

// The log of a run: one file a month, a head line, every item with its
// source; counted back per source, most shown first, within the dates.
TEST(ShownLogTest, WrittenAndCounted) {
    testsupport::TempDir dir;
    {
        ShownLog log(dir.str(), "TILL1");
        log.shown(when(2026, 11, 30, 18), "RG--001", ShownSource::Till, "till1");
        log.shown(when(2026, 12, 1), "CH--123", ShownSource::Till, "till1");
        log.shown(when(2026, 12, 1, 11), "CH--123", ShownSource::Till, "till1");
        log.shown(when(2026, 12, 2), "RG--001", ShownSource::Till, "till1");
        log.shown(when(2026, 12, 2), "1200345", ShownSource::SlideShow, "");
        log.shown(when(2026, 12, 3), "A,\"B\"", ShownSource::Typed, "");
    }
    const std::string november = dir.read("TILL1-shown-2026-11.csv");
    EXPECT_EQ(november, std::string(kShownLogHead) + "2026-11-30 18:00:00,RG--001,till,till1\r\n");
    const std::vector<std::string> files = {dir.file("TILL1-shown-2026-11.csv"), dir.file("TILL1-shown-2026-12.csv")};
    ShownCounts all = countShown(files, "", "");
    EXPECT_EQ(all.lines, 6);
    EXPECT_EQ(all.bySource["till"], (std::vector<std::pair<std::string, long>>{{"CH--123", 2}, {"RG--001", 2}}));
    EXPECT_EQ(all.bySource["slide show"], (std::vector<std::pair<std::string, long>>{{"1200345", 1}}));
    EXPECT_EQ(all.bySource["typed"], (std::vector<std::pair<std::string, long>>{{"A,\"B\"", 1}}));
    ShownCounts december = countShown(files, "2026-12-01", "2026-12-02");
    EXPECT_EQ(december.lines, 4);
    EXPECT_EQ(december.bySource["till"].front(), (std::pair<std::string, long>{"CH--123", 2}));
    EXPECT_EQ(december.bySource.count("typed"), 0u);
}

// A failing disk or a full file drops the item, never what was written
// before; a link or a FIFO at the file's name is never written through.
TEST(ShownLogTest, SafeOnAFailingDiskAndAgainstWhatIsPlanted) {
    testsupport::TempDir dir;
    const std::string file = dir.file("TILL1-shown-2026-12.csv");
    {
        ShownLog log(dir.str(), "TILL1", 200);
        log.shown(when(2026, 12, 1), "CH--123", ShownSource::Till, "till1");
        log.flush();
        const std::string before = dir.read("TILL1-shown-2026-12.csv");
        platform::failWritesAfter(0);
        log.shown(when(2026, 12, 1), "RG--001", ShownSource::Till, "till1");
        log.flush();
        platform::stopFailingWrites();
        EXPECT_EQ(dir.read("TILL1-shown-2026-12.csv"), before);
        for (int i = 0; i < 10; ++i) log.shown(when(2026, 12, 2), "AB--00" + std::to_string(i), ShownSource::Till, "");
        log.flush();
        EXPECT_LE(dir.read("TILL1-shown-2026-12.csv").size(), 200u) << "bounded";
    }
#ifndef _WIN32
    const std::string target = dir.file("elsewhere.txt");
    dir.write("elsewhere.txt", "keep");
    for (const auto& k : testsupport::kHostileKinds) {
        SCOPED_TRACE(k.name);
        std::filesystem::remove_all(file);
        testsupport::makeHostile(k.kind, file);
        ShownLog log(dir.str(), "TILL1");
        log.shown(when(2026, 12, 1), "CH--123", ShownSource::Till, "till1");
        log.flush();
        testsupport::removeHostile(file);
    }
    // A symbolic link, and a second name for another file, at the log's name.
    using Plant = void (*)(const std::filesystem::path&, const std::filesystem::path&);
    for (Plant plant : {Plant(&std::filesystem::create_symlink), Plant(&std::filesystem::create_hard_link)}) {
        std::filesystem::remove_all(file);
        plant(target, file);
        {
            ShownLog log(dir.str(), "TILL1");
            log.shown(when(2026, 12, 1), "CH--123", ShownSource::Till, "till1");
        }
        EXPECT_EQ(dir.read("elsewhere.txt"), "keep");
    }
#endif
}

}  // namespace
}  // namespace settings
