#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <sddl.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "testsupport/temp_dir.h"
#endif

namespace {

using platform::SingleInstance;
using namespace std::chrono_literals;

// A key of this test run only, so that parallel runs do not meet.
std::string key(const char* name) {
    return std::string("single-instance-test ") + name + " " +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

bool waitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 200 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
}

#ifndef _WIN32
namespace fs = std::filesystem;

constexpr uid_t kStranger = 65534;  // "nobody"

// Sets (or, given nullptr, removes) an environment variable for the life of the object.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~EnvVar() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A temporary folder that holds the claims' folder: TMPDIR points at it and
// XDG_RUNTIME_DIR is unset while it lives, so each test finds the private
// folder where it puts it.
struct ClaimPlace {
    testsupport::TempDir dir;  // made before TMPDIR changes
    EnvVar tmp{"TMPDIR", dir.str().c_str()};
    EnvVar runtime{"XDG_RUNTIME_DIR", nullptr};
    std::string folder(uid_t user = geteuid()) const {
        return dir.file("lumisett-" + std::to_string(user));
    }
};

bool isRoot() { return geteuid() == 0; }

// Becomes `user` for good (in a child process).
void become(uid_t user) {
    if (setgroups(0, nullptr) != 0 || setgid(user) != 0 || setuid(user) != 0) _exit(90);
}

// A local socket listening at `path` (open to every user) whose peers see the
// user it runs as when it listens. Answers "ok" to whatever it is sent and counts what it was
// sent in `requests`.
struct FakeHolder {
    int fd = -1;
    std::thread server;
    std::atomic<int> requests{0};
    int stop[2] = {-1, -1};

    explicit FakeHolder(const std::string& path) {
        fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            chmod(path.c_str(), 0777) != 0 || listen(fd, 4) != 0 || pipe(stop) != 0) {
            ADD_FAILURE() << "fake holder at " << path << ": " << std::strerror(errno);
            return;
        }
        server = std::thread([this] {
            for (;;) {
                pollfd p[2] = {{fd, POLLIN, 0}, {stop[0], POLLIN, 0}};
                if (poll(p, 2, -1) <= 0 || p[1].revents) return;
                int peer = accept(fd, nullptr, nullptr);
                if (peer < 0) continue;
                pollfd in{peer, POLLIN, 0};
                char c[16];
                if (poll(&in, 1, 300) > 0 && read(peer, c, sizeof c) > 0) ++requests;
                static_cast<void>(send(peer, "ok\n", 3, MSG_NOSIGNAL));
                close(peer);
            }
        });
    }
    ~FakeHolder() {
        if (server.joinable()) {
            static_cast<void>(write(stop[1], "x", 1));
            server.join();
        }
        for (int f : {fd, stop[0], stop[1]}) close(f);
    }
};

// Runs `body` in a child process and returns its exit code (or 100 + signal).
int inChild(const std::function<int()>& body) {
    pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

#endif

// Each test keeps its claims in a folder of its own, so that test runs side
// by side do not meet.
class SingleInstanceTest : public ::testing::Test {
protected:
#ifndef _WIN32
    ClaimPlace place;
#endif
};

TEST_F(SingleInstanceTest, OneHolderPerKeyUntilItEnds) {
    const std::string shop = key("shop");
    auto first = std::make_unique<SingleInstance>(shop);
    ASSERT_TRUE(first->claim());
    EXPECT_FALSE(SingleInstance(shop).claim());
    EXPECT_TRUE(SingleInstance(key("other profile")).claim());
    first.reset();
    EXPECT_TRUE(SingleInstance(shop).claim());
}

TEST_F(SingleInstanceTest, ALaterStartRaisesTheHoldersWindow) {
    const std::string shop = key("raise");
    SingleInstance holder(shop);
    ASSERT_TRUE(holder.claim());
    std::atomic<int> raised{0};
    holder.listen([&] { ++raised; });
    SingleInstance later(shop);
    ASSERT_FALSE(later.claim());
    EXPECT_TRUE(later.askToRaise(2s));
    EXPECT_TRUE(waitUntil([&] { return raised == 1; }));
    EXPECT_TRUE(later.askToRaise(2s));
    EXPECT_TRUE(waitUntil([&] { return raised == 2; }));
    holder.stopListening();
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(raised, 2);
}

#ifndef _WIN32
// A holder killed without a chance to clean up leaves its lock file and its
// socket behind; neither blocks the next start, which is then raised itself.
TEST_F(SingleInstanceTest, ACrashedHolderDoesNotBlockTheNextStart) {
    const std::string shop = key("crash");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstance holder(shop);
        if (!holder.claim()) _exit(2);
        holder.listen([] {});
        raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;

    EXPECT_FALSE(SingleInstance(shop).askToRaise(200ms));  // nobody answers the old socket
    SingleInstance next(shop);
    ASSERT_TRUE(next.claim());
    std::atomic<int> raised{0};
    next.listen([&] { ++raised; });
    EXPECT_TRUE(SingleInstance(shop).askToRaise(2s));
    EXPECT_EQ(raised, 1);
}
#endif

#ifndef _WIN32
// Before, the claim lay at a name in /tmp that anyone could guess: another
// user who made and locked it there (and answered on its socket) made every
// start of the shop's display end as "already runs".
TEST_F(SingleInstanceTest, AStrangersLockAtTheOldSharedPathDoesNotStopTheStart) {
    if (!isRoot()) GTEST_SKIP() << "needs root to act as another user";
    const std::string shop = key("neighbour");
    const std::string old = "/tmp/" + platform::instanceName(shop) + "-" + std::to_string(getuid());
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t stranger = fork();
    ASSERT_GE(stranger, 0);
    if (stranger == 0) {
        close(ready[0]);
        close(done[1]);
        become(kStranger);
        int lock = open((old + ".lock").c_str(), O_RDWR | O_CREAT, 0644);
        if (lock < 0 || flock(lock, LOCK_EX) != 0) _exit(2);
        FakeHolder answer(old + ".sock");
        static_cast<void>(write(ready[1], "r", 1));
        char c;
        static_cast<void>(read(done[0], &c, 1));  // until the parent closes it
        _exit(0);
    }
    close(ready[1]);
    close(done[0]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1) << "the stranger could not set up";

    {
        SingleInstance display(shop);
        EXPECT_TRUE(display.claim());
        EXPECT_EQ(display.refusal(), "");
        std::atomic<int> raised{0};
        display.listen([&] { ++raised; });
        SingleInstance again(shop);
        EXPECT_FALSE(again.claim()) << "the shop's own second start still finds the first";
        EXPECT_TRUE(again.askToRaise(2s));
        EXPECT_TRUE(waitUntil([&] { return raised == 1; }));
    }
    close(done[1]);
    close(ready[0]);
    int status = 0;
    waitpid(stranger, &status, 0);
    fs::remove(old + ".lock");
    fs::remove(old + ".sock");
}

// A private folder that is not private (a planted link, another user's, open
// to others, not a folder) is never used: the claim is refused with a note,
// the display starts all the same, and nothing is made through it.
TEST_F(SingleInstanceTest, AnUnsafeClaimsFolderIsRefusedAndTheDisplayStarts) {
    struct Case {
        const char* name;
        std::function<void(const std::string& folder, const std::string& elsewhere)> plant;
        const char* why;
        bool needsRoot = false;
    } cases[] = {
        {"a link to a folder of this user",
         [](const std::string& folder, const std::string& elsewhere) {
             fs::create_directory(elsewhere);
             fs::permissions(elsewhere, fs::perms::owner_all, fs::perm_options::replace);
             fs::create_directory_symlink(elsewhere, folder);
         },
         "symbolic link"},
        {"a link to nowhere",
         [](const std::string& folder, const std::string& elsewhere) {
             fs::create_directory_symlink(elsewhere, folder);
         },
         "symbolic link"},
        {"open to the group and others",
         [](const std::string& folder, const std::string&) {
             fs::create_directory(folder);
             fs::permissions(folder, fs::perms::all, fs::perm_options::replace);
         },
         "open to other users (mode 777)"},
        {"readable by the group",
         [](const std::string& folder, const std::string&) {
             fs::create_directory(folder);
             fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read,
                             fs::perm_options::replace);
         },
         "open to other users (mode 740)"},
        {"made by another user",
         [](const std::string& folder, const std::string&) {
             fs::create_directory(folder);
             fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
             if (chown(folder.c_str(), kStranger, kStranger) != 0) ADD_FAILURE() << "chown";
         },
         "belongs to another user (uid 65534)", true},
        {"a file",
         [](const std::string& folder, const std::string&) { std::ofstream(folder) << "x"; },
         "is not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && !isRoot()) continue;
        ClaimPlace place;
        const std::string elsewhere = place.dir.file("elsewhere");
        c.plant(place.folder(), elsewhere);
        const std::string shop = key("unsafe");

        testing::internal::CaptureStderr();
        SingleInstance first(shop);
        EXPECT_TRUE(first.claim());
        const std::string note = testing::internal::GetCapturedStderr();
        EXPECT_NE(first.refusal().find(place.folder()), std::string::npos) << first.refusal();
        EXPECT_NE(first.refusal().find(c.why), std::string::npos) << first.refusal();
        EXPECT_NE(note.find(first.refusal()), std::string::npos) << note;
        first.listen([] {});

        SingleInstance second(shop);
        testing::internal::CaptureStderr();
        EXPECT_TRUE(second.claim()) << "a refused claim never stops the start";
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(second.askToRaise(100ms));
        EXPECT_TRUE(!fs::exists(elsewhere) || fs::is_empty(elsewhere)) << "made through the link";
    }
}

// $XDG_RUNTIME_DIR holds the claims only when it is this user's private folder.
TEST_F(SingleInstanceTest, TheRuntimeFolderIsUsedOnlyWhenPrivate) {
    struct Case {
        const char* name;
        fs::perms perms;
        bool relative;
        bool used;
    } cases[] = {
        {"private", fs::perms::owner_all, false, true},
        {"open to others", fs::perms::all, false, false},
        {"relative", fs::perms::owner_all, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClaimPlace place;
        testsupport::TempDir runtime;
        fs::permissions(runtime.path(), c.perms, fs::perm_options::replace);
        const std::string value =
            c.relative ? fs::relative(runtime.path()).string() : runtime.str();
        EnvVar xdg("XDG_RUNTIME_DIR", value.c_str());
        const std::string shop = key("runtime");
        SingleInstance first(shop);
        ASSERT_TRUE(first.claim());
        EXPECT_EQ(first.refusal(), "");
        EXPECT_FALSE(SingleInstance(shop).claim());
        const std::string lock = platform::instanceName(shop) + ".lock";
        EXPECT_EQ(fs::exists(runtime.path() / lock), c.used);
        EXPECT_EQ(fs::exists(fs::path(place.folder()) / lock), !c.used);
        if (!c.used) {
            EXPECT_EQ(fs::status(place.folder()).permissions(), fs::perms::owner_all);
        }
    }
}

// The peers on the socket: a start of another user neither raises the window
// nor gets an answer, while two starts of the same user find each other.
TEST_F(SingleInstanceTest, AnotherUsersRequestRaisesNothing) {
    if (!isRoot()) GTEST_SKIP() << "needs root to act as two users";
    fs::permissions(place.dir.path(), fs::perms::all | fs::perms::sticky_bit,
                    fs::perm_options::replace);  // as /tmp
    const std::string shop = key("peer");
    int ready[2], raisedPipe[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(raisedPipe), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        close(ready[0]);
        close(done[1]);
        close(raisedPipe[0]);
        become(kStranger);
        SingleInstance display(shop);
        if (!display.claim() || !display.refusal().empty()) _exit(2);
        display.listen([&] { static_cast<void>(write(raisedPipe[1], "R", 1)); });
        static_cast<void>(write(ready[1], "r", 1));
        char c;
        static_cast<void>(read(done[0], &c, 1));
        _exit(0);
    }
    close(ready[1]);
    close(done[0]);
    close(raisedPipe[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1) << "the holder could not start";
    auto raisedWithin = [&](int ms) {
        pollfd p{raisedPipe[0], POLLIN, 0};
        return poll(&p, 1, ms) > 0 && read(raisedPipe[0], &c, 1) == 1;
    };

    // Root reaches the holder's socket through its private folder, and is
    // another user all the same.
    const std::string path = place.folder(kStranger) + "/" + platform::instanceName(shop) + ".sock";
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    static_cast<void>(send(fd, "raise\n", 6, MSG_NOSIGNAL));  // the holder may have hung up already
    char answer[8] = {};
    pollfd in{fd, POLLIN, 0};
    ASSERT_GT(poll(&in, 1, 2000), 0);
    EXPECT_LE(read(fd, answer, sizeof answer), 0) << "answered: " << answer;  // closed or reset
    close(fd);
    EXPECT_FALSE(raisedWithin(200));

    // The same user's second start is answered and raises the window.
    EXPECT_EQ(inChild([&] {
                  become(kStranger);
                  SingleInstance again(shop);
                  if (again.claim()) return 3;
                  return again.askToRaise(2s) ? 0 : 4;
              }),
              0);
    EXPECT_TRUE(raisedWithin(2000));

    close(done[1]);
    int status = 0;
    waitpid(holder, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    close(ready[0]);
    close(raisedPipe[0]);
}

// Another user who holds the lock in this user's folder (only the
// administrator can) and answers on its socket is not believed and does not
// stop the start.
TEST_F(SingleInstanceTest, AHolderOfAnotherUserIsNotBelievedAndDoesNotStopTheStart) {
    if (!isRoot()) GTEST_SKIP() << "needs root to act as two users";
    fs::permissions(place.dir.path(), fs::perms::all | fs::perms::sticky_bit,
                    fs::perm_options::replace);
    const std::string shop = key("false holder");
    const std::string folder = place.folder(kStranger);
    const std::string base = folder + "/" + platform::instanceName(shop);
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
    int lock = open((base + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(fchown(lock, kStranger, kStranger), 0);
    ASSERT_EQ(chown(folder.c_str(), kStranger, kStranger), 0);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    FakeHolder root(base + ".sock");

    EXPECT_EQ(inChild([&] {
                  become(kStranger);  // the shop's user in this test
                  SingleInstance display(shop);
                  if (!display.claim()) return 2;
                  if (display.refusal().find("held by another user (uid 0)") == std::string::npos) {
                      return 3;
                  }
                  return display.askToRaise(300ms) ? 4 : 0;
              }),
              0);
    EXPECT_EQ(root.requests, 0) << "the stranger was asked to raise its window";
    close(lock);
}
#endif

#ifdef _WIN32
// The name of the profile's mutex as single_instance.h describes it: in the
// session's namespace, with the user's SID and the session.
std::wstring mutexName(const std::string& shop) {
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    char buffer[256];
    DWORD size = 0;
    EXPECT_TRUE(GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
    CloseHandle(token);
    LPWSTR sid = nullptr;
    EXPECT_TRUE(ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid));
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    const std::string name = platform::instanceName(shop);
    std::wstring out = L"Local\\" + std::wstring(name.begin(), name.end()) + L"-" + sid + L"-" +
                       std::to_wstring(session);
    LocalFree(sid);
    return out;
}

// Before, the mutex's name was the same for every user of the session: a
// program of another account that made it first stopped every start.
TEST_F(SingleInstanceTest, AMutexAtTheOldSharedNameDoesNotStopTheStart) {
    const std::string shop = key("neighbour");
    const std::string old = "Local\\" + platform::instanceName(shop);
    HANDLE stranger = CreateMutexA(nullptr, FALSE, old.c_str());
    ASSERT_NE(stranger, nullptr);
    SingleInstance display(shop);
    EXPECT_TRUE(display.claim());
    EXPECT_EQ(display.refusal(), "");
    EXPECT_FALSE(SingleInstance(shop).claim());
    CloseHandle(stranger);
}

// A mutex of this user's name that another account made (it keeps this user
// out, or is owned by another) is not taken for a display of this user's: the
// display starts, with a note.
TEST_F(SingleInstanceTest, AMutexThatAnotherAccountMadeIsRefused) {
    struct Case {
        const char* name;
        const wchar_t* descriptor;  // SDDL
    } cases[] = {
        {"no access for anyone", L"D:"},
        {"owned by the administrators", L"O:BAD:(A;;GA;;;WD)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string shop = key("stranger");
        SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
            c.descriptor, SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr));
        HANDLE stranger = CreateMutexW(&attributes, FALSE, mutexName(shop).c_str());
        LocalFree(attributes.lpSecurityDescriptor);
        if (!stranger) {
            std::printf("skipped: this account cannot make such a mutex (%lu)\n", GetLastError());
            continue;
        }
        SingleInstance display(shop);
        EXPECT_TRUE(display.claim());
        EXPECT_EQ(display.refusal(), "another user holds its name");
        EXPECT_FALSE(display.askToRaise(std::chrono::milliseconds(100)));
        CloseHandle(stranger);
    }
}
#endif

}  // namespace
