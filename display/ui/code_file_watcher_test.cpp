#include "display/ui/code_file_watcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/program_state.h"
#include "display/display_cycle.h"
#include "display/display_mode.h"
#include "display/display_window_testing.h"
#include "display/timer_loop.h"
#include "testsupport/temp_dir.h"

namespace display::ui {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

void writeFile(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}
void appendFile(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary | std::ios::app) << text;
}

class CodeFileWatcherTest : public ::testing::Test {
protected:
    CodeFileWatcherTest() : watcher([this] { ++calls; }) {}

    void watch(const fs::path& file) {
        watcher.watch(file.string());
        ASSERT_TRUE(watcher.waitArmed(5s));
    }
    // Whether `action` is followed by a call within a few seconds (true), or
    // by none within a little while (false).
    bool callsAfter(const std::function<void()>& action, bool expected) {
        // The previous step's last notifications first.
        for (int seen = -1; seen != calls;) {
            seen = calls;
            std::this_thread::sleep_for(150ms);
        }
        const int before = calls;
        action();
        const auto end = std::chrono::steady_clock::now() + (expected ? 5s : 300ms);
        while (std::chrono::steady_clock::now() < end) {
            if (calls > before) return true;
            std::this_thread::sleep_for(5ms);
        }
        return calls > before;
    }

    testsupport::TempDir dir;
    const fs::path till = dir.path() / "till1";
    const fs::path code = till / "image.tmp";
    std::atomic<int> calls{0};
    CodeFileWatcher watcher;
};

// Each step in turn, on one watcher: what the point-of-sale does, and whether
// the display hears of it.
TEST_F(CodeFileWatcherTest, FollowsTheFileThroughWhatAPointOfSaleDoes) {
    fs::create_directories(till);
    writeFile(code, "AB--001");
    watch(code);
    std::unique_ptr<std::ifstream> held;
    struct Step {
        const char* name;
        std::function<void()> action;
        bool heard;
    } steps[] = {
        {"written in place", [&] { writeFile(code, "AB--002"); }, true},
        {"another file in the folder", [&] { writeFile(till / "other.txt", "x"); }, false},
        {"a new file written beside it", [&] { writeFile(till / "image.new", "AB--003"); }, false},
        {"which is renamed over it", [&] { fs::rename(till / "image.new", code); }, true},
        {"the renamed file written in place", [&] { appendFile(code, "\r\n"); }, true},
#ifndef _WIN32  // Windows renames over no file held open
        {"renamed over while a reader still holds the old file open",
         [&] {
             writeFile(till / "image.new", "AB--005");
             held = std::make_unique<std::ifstream>(code);
             fs::rename(till / "image.new", code);
         },
         true},
        {"that file written in place", [&] { appendFile(code, "\r\n"); }, true},
#endif
        {"deleted", [&] { fs::remove(code); }, true},
        {"created again", [&] { writeFile(code, "AB--004"); }, true},
        {"the new file written in place", [&] { appendFile(code, "\r\n"); }, true},
    };
    for (const Step& s : steps) EXPECT_EQ(callsAfter(s.action, s.heard), s.heard) << s.name;
}

// The till's folder renamed away and made again (or replaced by a link to
// another) is another folder: its writes are heard at once from then on, not
// only at the display's poll.
TEST_F(CodeFileWatcherTest, AFolderMadeAgainIsWatchedAgain) {
    fs::create_directories(till);
    writeFile(code, "AB--001");
    watch(code);
    const struct {
        const char* name;
        std::function<void()> replace;
    } cases[] = {
        {"renamed away and made again",
         [&] {
             fs::rename(till, dir.path() / "till1.old");
             fs::create_directories(till);
         }},
#ifndef _WIN32
        {"replaced by a link to another folder",
         [&] {
             fs::rename(till, dir.path() / "till1.older");
             fs::create_directories(dir.path() / "elsewhere");
             fs::create_directory_symlink(dir.path() / "elsewhere", till);
         }},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(callsAfter([&] {
            c.replace();
            writeFile(code, "AB--002");
        }, true));
        std::this_thread::sleep_for(1200ms);  // the watcher has noticed by now in any case
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(callsAfter([&] { appendFile(code, "\r\n"); }, true));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "heard through the new folder's watch";
    }
}

#ifndef _WIN32
// Where the system tells it, the watcher knows whether the till still has the
// code file open for writing, and says when it has closed it.
TEST(CodeFileWatcherWritesTest, ATillStillWritingAndOneThatClosed) {
    testsupport::TempDir dir;
    const fs::path till = dir.path() / "till1", code = till / "image.tmp";
    fs::create_directories(till);
    writeFile(code, "AB--001");
    std::atomic<int> closed{0};
    CodeFileWatcher watcher([] {}, [&] { ++closed; });
    watcher.watch(code.string());
    ASSERT_TRUE(watcher.waitArmed(5s));
    EXPECT_EQ(watcher.writerDone(code.string()), true);
    EXPECT_EQ(watcher.writerDone((till / "other.tmp").string()), std::nullopt);
    auto waitUntil = [](const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (!done() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(5ms);
        return done();
    };
    std::FILE* writer = std::fopen(code.c_str(), "wb");
    ASSERT_NE(writer, nullptr);
    std::fputs("CH-", writer);
    std::fflush(writer);
    EXPECT_TRUE(waitUntil([&] { return watcher.writerDone(code.string()) == false; }));
    EXPECT_EQ(closed, 0);
    std::fputs("-123", writer);
    std::fclose(writer);
    EXPECT_TRUE(waitUntil([&] { return closed == 1; }));
    EXPECT_EQ(watcher.writerDone(code.string()), true);
}
#endif

TEST_F(CodeFileWatcherTest, AFolderThatAppearsLaterIsWatched) {
    watch(code);  // till1 does not exist yet
    EXPECT_TRUE(callsAfter([&] {
        fs::create_directories(till);
        writeFile(code, "AB--001");
    }, true));
    EXPECT_TRUE(callsAfter([&] { appendFile(code, "\r\n"); }, true));
}

TEST_F(CodeFileWatcherTest, AnotherPathReplacesTheOldOne) {
    const fs::path other = dir.path() / "till2" / "image.tmp";
    fs::create_directories(till);
    fs::create_directories(other.parent_path());
    writeFile(code, "AB--001");
    writeFile(other, "AB--001");
    watch(code);
    watch(other);
    EXPECT_FALSE(callsAfter([&] { writeFile(code, "AB--002"); }, false));
    EXPECT_TRUE(callsAfter([&] { writeFile(other, "AB--002"); }, true));
    watch("");
    EXPECT_FALSE(callsAfter([&] { writeFile(other, "AB--003"); }, false));
}

TEST_F(CodeFileWatcherTest, NothingIsCalledAfterTheStop) {
    fs::create_directories(till);
    writeFile(code, "AB--001");
    watch(code);
    watcher.stop();
    EXPECT_FALSE(callsAfter([&] { writeFile(code, "AB--002"); }, false));
}

// The whole road from the point-of-sale's writes to the window, without the
// window: the watcher, the timer's settle time and the display cycle reading
// the real file. A code written in two pieces is shown whole, never its first
// half, and long before the poll (10 seconds here) would have seen it.
TEST(CodeFileFollowTest, ACodeWrittenInPiecesIsShownWholeAtOnce) {
    class Titles : public display::testing::QuietWindow {
    public:
        void setTitle(const std::string& t) override {
            std::lock_guard lock(mutex);
            titles.push_back(t);
        }
        std::vector<std::string> seen() {
            std::lock_guard lock(mutex);
            return titles;
        }
        std::mutex mutex;
        std::vector<std::string> titles;
    } window;

    testsupport::TempDir dir;
    const std::string code = dir.file("image.tmp");
    writeFile(code, "AB--001");
    core::ProgramState state;
    DisplayMode mode;
    mode.watch(100);
    CycleServices services;
    services.findPic = [](const std::string&, const std::string&) { return std::string(); };
    services.isFile = [](const std::string& p) { return fs::is_regular_file(p); };
    services.readFile = [](const std::string& p, std::string* out, std::uint64_t) {
        std::ifstream in(p, std::ios::binary);
        out->assign(std::istreambuf_iterator<char>(in), {});
        return in ? platform::Status() : platform::Status::notFound(p);
    };
    services.nextSlide = [](const std::string&, long&, std::string*) { return std::string(); };
    std::unique_ptr<TimerThread> timer;
    services.pause = [&](int h) { timer->pause(h); };
    struct : inventory::ItemLookup {
        inventory::Description describe(const std::string&, const std::string&,
                                        inventory::Patience) override {
            return {};
        }
    } lookup;
    testing::FixedSlidePeriod period;
    settings::Settings applied;
    applied.cPath = dir.str();
    applied.cBuffer = code;
    settings::AppliedSettings inForce(applied);
    DisplayCycle cycle(state, mode, window, lookup, period, inForce, services);
    timer = std::make_unique<TimerThread>([&] { return mode.period(); }, [&] { cycle.turn(); },
                                          [&] { return mode.source() == Source::Data; }, 300ms);
    CodeFileWatcher watcher([&] { timer->codeFileChanged(); });
    watcher.watch(code);
    ASSERT_TRUE(watcher.waitArmed(5s));
    timer->start();
    auto waitForTitles = [&](std::size_t n) {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (window.seen().size() < n && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(5ms);
        return window.seen().size() >= n;
    };
    ASSERT_TRUE(waitForTitles(1));

    writeFile(code, "CH-");
    std::this_thread::sleep_for(10ms);
    appendFile(code, "-123");
    EXPECT_TRUE(waitForTitles(2));
    std::this_thread::sleep_for(500ms);
    timer->stop();
    EXPECT_EQ(window.seen(), (std::vector<std::string>{"Picture not found for AB--001",
                                                       "Picture not found for CH--123"}));
}

}  // namespace
}  // namespace display::ui
