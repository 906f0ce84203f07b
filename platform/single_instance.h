#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// One running program per key (the display of one profile in one program
// folder). No Qt.
namespace platform {

// The first process to claim a key holds it until it ends, however it ends:
// the system frees it with the process (a lock on a file in the user's
// runtime folder on POSIX, a named mutex on Windows), so a crashed display
// never blocks the next start. A later process with the same key can ask the
// holder to bring its window to the front (a local socket beside the lock on
// POSIX; a named event on Windows, with the right to take the foreground
// handed on).
class SingleInstance {
public:
    // `key` is compared exactly; the caller folds case where names do.
    explicit SingleInstance(std::string key);
    ~SingleInstance();  // stops listening; the claim ends with it
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Claims the key. False when another process holds it. Call once.
    bool claim();

    // Once claimed: calls `raise` (on a thread of its own) whenever a later
    // process asks for the window. Until stopListening or the destructor.
    void listen(std::function<void()> raise);
    // After it returns `raise` is not called any more.
    void stopListening();

    // A process that could not claim the key: asks the holder to bring its
    // window to the front. False when the holder did not take the request
    // within `limit` (it may still be starting, or hang).
    bool askToRaise(std::chrono::milliseconds limit);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// A short stable name for `key` (hexadecimal FNV-1a), for file and object names.
std::string instanceName(const std::string& key);

}  // namespace platform
