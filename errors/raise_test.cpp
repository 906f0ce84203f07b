#include "errors/error.h"

#include <gtest/gtest.h>

#include "errors/handler_test_support.h"

namespace {

using namespace errors;
using errors::test::HandlerScope;

TEST(RaiseTest, NoHandlerUnwinds) {
    HandlerScope scope(nullptr);
    Error e;
    e.genCode = kGenOpen;
    e.canDefault = true;
    EXPECT_THROW(raise(e), Unwind);
    EXPECT_EQ(e.tries, 1);
}

TEST(RaiseTest, AnswersAreHonouredOnlyWhenAllowed) {
    Action answer = Action::Retry;
    HandlerScope scope([&](Error&) { return answer; });
    Error e;
    e.canRetry = true;
    EXPECT_EQ(raise(e), Action::Retry);
    EXPECT_EQ(raise(e), Action::Retry);
    EXPECT_EQ(e.tries, 2);
    answer = Action::Default;
    EXPECT_THROW(raise(e), Unwind);  // default not allowed for this error
    e.canDefault = true;
    EXPECT_EQ(raise(e), Action::Default);
    EXPECT_NE(e.thread, 0);
}

}  // namespace
