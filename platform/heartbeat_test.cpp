#include "platform/heartbeat.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

// The standard output turned into a pipe for the length of a test, then put back.
class PipedStdout : public ::testing::Test {
protected:
    void SetUp() override {
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        ASSERT_GE(m_saved, 0);
        ASSERT_EQ(::pipe(m_pipe), 0);
        ASSERT_GE(::dup2(m_pipe[1], STDOUT_FILENO), 0);
        ::close(m_pipe[1]);
    }
    void TearDown() override {
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
        if (m_pipe[0] >= 0) ::close(m_pipe[0]);
    }
    int readEnd() const { return m_pipe[0]; }
    void closeReadEnd() {
        ::close(m_pipe[0]);
        m_pipe[0] = -1;
    }

private:
    int m_saved = -1;
    int m_pipe[2] = {-1, -1};
};

TEST_F(PipedStdout, EachBeatReachesTheReaderAsOneByte) {
    ASSERT_TRUE(platform::sendHeartbeat());
    ASSERT_TRUE(platform::sendHeartbeat(platform::Beat::Goodbye));
    char got[4] = {};
    ASSERT_EQ(::read(readEnd(), got, sizeof got), 2);
    EXPECT_EQ(got[0], static_cast<char>(platform::Beat::Alive));
    EXPECT_EQ(got[1], static_cast<char>(platform::Beat::Goodbye));
}

// A reader that has fallen behind: the pipe is full, and the beat neither
// waits nor blocks the thread.
TEST_F(PipedStdout, AFullPipeFailsAtOnce) {
    const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
    ASSERT_EQ(::fcntl(STDOUT_FILENO, F_SETFL, flags | O_NONBLOCK), 0);
    char block[4096] = {};
    while (::write(STDOUT_FILENO, block, sizeof block) > 0) {
    }
    while (::write(STDOUT_FILENO, block, 1) > 0) {
    }
    ASSERT_EQ(::fcntl(STDOUT_FILENO, F_SETFL, flags), 0);
    EXPECT_FALSE(platform::sendHeartbeat());
}

// The watchdog has ended: the beat fails and the process goes on (without the
// care, SIGPIPE would end it here), with no SIGPIPE left pending.
TEST_F(PipedStdout, AReaderThatHasGoneDoesNotEndTheProcess) {
    closeReadEnd();
    EXPECT_FALSE(platform::sendHeartbeat());
    EXPECT_FALSE(platform::sendHeartbeat());
    sigset_t pending;
    sigpending(&pending);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}

}  // namespace
