#include "errors/call_stack.h"

#include <gtest/gtest.h>

#include <thread>

#include "errors/error.h"
#include "errors/handler_test_support.h"

namespace {

using namespace errors;

TEST(CallStackTest, ShortFunctionNames) {
    const struct {
        const char* demangled;
        const char* expected;
    } rows[] = {
        {"main", "main"},
        {"display::HangPicture(std::string const&, int)", "display::HangPicture"},
        {"tables::Table::open(char const*) const", "tables::Table::open"},
        {"Foo::{lambda()#1}::operator()() const", "Foo::{lambda()#1}::operator()"},
        {"operator()", "operator()"},
        {"void f<int>(std::vector<int, std::allocator<int> > const&)", "void f<int>"},
    };
    for (const auto& r : rows) EXPECT_EQ(shortFunctionName(r.demangled), r.expected);
    EXPECT_EQ(calledFromLine({"display::HangPicture  ", 12}), "Called from display::HangPicture(12)");
}

}  // namespace

// Three functions of a call chain below the raise, outside the anonymous
// namespace so that their names read plainly.
namespace callchain {

int g_lineOfRaise = 0;

[[gnu::noinline]] void innermost() {
    errors::Error e;
    g_lineOfRaise = __LINE__ + 1;
    errors::raise(e);
    asm volatile("");  // keeps the call from becoming a tail call
}

[[gnu::noinline]] void middle() {
    innermost();
    asm volatile("");
}

[[gnu::noinline]] void outer() {
    middle();
    asm volatile("");
}

[[gnu::noinline]] std::vector<std::uintptr_t> onThread() {
    auto stack = errors::captureStack(0);
    asm volatile("");
    return stack;
}

}  // namespace callchain

namespace {

TEST(CallStackTest, RaiseRecordsTheChainInnermostFirstWithLines) {
    std::vector<Frame> frames;
    errors::test::HandlerScope scope([&](Error& e) -> Action {
        frames = resolveStack(e.stack);
        throw Unwind(e);
    });
    EXPECT_THROW(callchain::outer(), Unwind);
#if LUMISETT_HAVE_LIBBACKTRACE
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[0].name, "callchain::innermost");
    EXPECT_EQ(frames[0].line, callchain::g_lineOfRaise);
    EXPECT_EQ(frames[1].name, "callchain::middle");
    EXPECT_EQ(frames[2].name, "callchain::outer");
    EXPECT_GT(frames[1].line, 0);
    EXPECT_EQ(frames.back().name, "main");
#endif
}

TEST(CallStackTest, ResolvesOnAnotherThreadToo) {
    std::vector<std::uintptr_t> stack;
    std::thread t([&] { stack = callchain::onThread(); });
    t.join();
    std::vector<Frame> frames = resolveStack(stack);
#if LUMISETT_HAVE_LIBBACKTRACE
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].name, "callchain::onThread");
    for (const Frame& f : frames) EXPECT_NE(f.name, "main");  // a thread has its own stack
#endif
}

}  // namespace
