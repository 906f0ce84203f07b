#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// One running program per key (the display of one profile in one program
// folder). No Qt.
namespace platform {

// The first process to claim a key holds it until it ends, however it ends:
// the system frees it with the process (a lock on a file in the user's own
// folder on POSIX, a named mutex on Windows), so a crashed display never
// blocks the next start. A later process with the same key can ask the
// holder to bring its window to the front (a local socket beside the lock on
// POSIX; a named event on Windows, with the right to take the foreground
// handed on).
//
// Claims are per user: other local users (the point-of-sale's account, a
// neighbour) can neither hold this user's key nor be asked or believed.
// POSIX: the files live in $XDG_RUNTIME_DIR when it is this user's private
// folder, else in `lumisett-UID` in $TMPDIR or /tmp, made with mode 0700 and
// refused when it is a link, another user's or open to others; a peer on the
// socket counts only when it runs as the same user (SO_PEERCRED). Windows: the
// names carry the user's SID and the session, in the session's namespace, the
// objects are made for this user alone, and ones another user made are not
// used. Where the claim cannot be made safe, the display runs unchecked.
class SingleInstance {
public:
    // `key` is compared exactly; the caller folds case where names do.
    explicit SingleInstance(std::string key);
    ~SingleInstance();  // stops listening; the claim ends with it
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Claims the key. False when another process of this user holds it. Call
    // once. True also when the claim is refused (see refusal): a neighbour
    // can never keep the display from starting; a line on stderr says why.
    bool claim();

    // Why the claim could not be checked (the private folder is not safe, a
    // stranger holds the name); empty when it could.
    const std::string& refusal() const;

    // Once claimed: calls `raise` (on a thread of its own) whenever a later
    // process of the same user asks for the window. Until stopListening or
    // the destructor. Nothing happens after a refused claim.
    void listen(std::function<void()> raise);
    // After it returns `raise` is not called any more.
    void stopListening();

    // A process that could not claim the key: asks the holder to bring its
    // window to the front. False when the holder did not take the request
    // within `limit` (it may still be starting, or hang), or is not of this
    // user.
    bool askToRaise(std::chrono::milliseconds limit);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// A short stable name for `key` (hexadecimal FNV-1a), for file and object names.
std::string instanceName(const std::string& key);

}  // namespace platform
