#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "platform/single_instance.h"

namespace platform {
namespace {

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The process's user, as the token names it; empty when it cannot be read.
std::vector<unsigned char> userSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    const bool read = size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    CloseHandle(token);
    if (!read) return {};
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    const unsigned char* bytes = static_cast<const unsigned char*>(sid);
    return std::vector<unsigned char>(bytes, bytes + GetLengthSid(sid));
}

std::wstring sidText(PSID sid) {
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return {};
    std::wstring out(text);
    LocalFree(text);
    return out;
}

// Whether the kernel object `handle` was made by `user` (its owner).
bool ownedBy(HANDLE handle, PSID user) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const bool same = owner && EqualSid(owner, user);
    LocalFree(descriptor);
    return same;
}

}  // namespace

// The names carry the user's SID and the session, in the session's namespace;
// the objects are owned by the user and open to the user alone, so another
// account can neither hold this user's claim nor set its event, and an object
// of the same name that another account made first is never trusted.
struct SingleInstance::Impl {
    std::vector<unsigned char> sid;  // the user's SID; empty: refused
    std::wstring mutexName;
    std::wstring eventName;
    std::string refusal;
    // Owner and access for the objects made here: this user alone.
    SECURITY_DESCRIPTOR descriptor{};
    std::vector<unsigned char> acl;
    SECURITY_ATTRIBUTES attributes{};
    HANDLE mutex = nullptr;
    HANDLE raiseEvent = nullptr;
    HANDLE stopEvent = nullptr;
    std::thread listener;

    PSID user() { return sid.data(); }

    bool makeAttributes() {
        acl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(user()));
        PACL list = reinterpret_cast<PACL>(acl.data());
        if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorOwner(&descriptor, user(), FALSE) ||
            !InitializeAcl(list, DWORD(acl.size()), ACL_REVISION) ||
            !AddAccessAllowedAce(list, ACL_REVISION, GENERIC_ALL, user()) ||
            !SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE)) {
            return false;
        }
        attributes = {sizeof attributes, &descriptor, FALSE};
        return true;
    }

    void refuse(const std::string& why) {
        refusal = why;
        std::fprintf(stderr,
                     "lumisett: the display starts without checking for another one of this "
                     "profile: %s\n",
                     refusal.c_str());
    }
};

SingleInstance::SingleInstance(std::string key) : m_impl(std::make_unique<Impl>()) {
    Impl& d = *m_impl;
    d.sid = userSid();
    DWORD session = 0;
    const std::wstring user = d.sid.empty() ? std::wstring() : sidText(d.user());
    if (user.empty() || !ProcessIdToSessionId(GetCurrentProcessId(), &session) ||
        !d.makeAttributes()) {
        d.sid.clear();
        d.refusal = "the user's identity could not be read";
        return;
    }
    const std::wstring name = L"Local\\" + wide(instanceName(key)) + L"-" + user + L"-" +
                              std::to_wstring(session);
    d.mutexName = name;
    d.eventName = name + L"-raise";
}

SingleInstance::~SingleInstance() {
    stopListening();
    if (m_impl->raiseEvent) CloseHandle(m_impl->raiseEvent);
    if (m_impl->mutex) CloseHandle(m_impl->mutex);
}

bool SingleInstance::claim() {
    Impl& d = *m_impl;
    if (d.sid.empty()) {
        d.refuse(d.refusal);
        return true;
    }
    // The mutex exists while a process holds a handle to it; the system
    // closes a crashed holder's handles, so it never outlives the display.
    HANDLE mutex = CreateMutexW(&d.attributes, FALSE, d.mutexName.c_str());
    if (!mutex) {
        // Made by another account, or with other rights, that keeps this process out.
        d.refuse(GetLastError() == ERROR_ACCESS_DENIED ? "another user holds its name"
                                                       : "its mutex could not be made");
        return true;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        const bool ours = ownedBy(mutex, d.user());
        CloseHandle(mutex);
        if (ours) return false;
        d.refuse("another user holds its name");
        return true;
    }
    d.mutex = mutex;
    // Made with the claim, so a later start finds it as soon as it finds the
    // mutex. One that another account made first is not used: this display
    // then cannot be raised by a later start, but runs.
    HANDLE event = CreateEventW(&d.attributes, FALSE, FALSE, d.eventName.c_str());
    if (event && GetLastError() == ERROR_ALREADY_EXISTS && !ownedBy(event, d.user())) {
        CloseHandle(event);
        event = nullptr;
    }
    if (!event) {
        std::fprintf(stderr, "lumisett: another user holds the name of this display's raise "
                             "event; a later start cannot bring it to the front\n");
    }
    d.raiseEvent = event;
    return true;
}

const std::string& SingleInstance::refusal() const { return m_impl->refusal; }

void SingleInstance::listen(std::function<void()> raise) {
    Impl& d = *m_impl;
    if (!d.raiseEvent || d.listener.joinable()) return;
    d.stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!d.stopEvent) return;
    d.listener = std::thread([&d, raise = std::move(raise)] {
        const HANDLE events[2] = {d.stopEvent, d.raiseEvent};
        while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) raise();
    });
}

void SingleInstance::stopListening() {
    Impl& d = *m_impl;
    if (!d.listener.joinable()) return;
    SetEvent(d.stopEvent);
    d.listener.join();
    CloseHandle(d.stopEvent);
    d.stopEvent = nullptr;
}

bool SingleInstance::askToRaise(std::chrono::milliseconds limit) {
    Impl& d = *m_impl;
    if (d.sid.empty()) return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        HANDLE event = OpenEventW(EVENT_MODIFY_STATE | READ_CONTROL, FALSE, d.eventName.c_str());
        if (event) {
            // Another account's event is not set: its window is not ours.
            if (!ownedBy(event, d.user())) {
                CloseHandle(event);
                return false;
            }
            // This process was started by the user, so it may take the
            // foreground; the holder may have it instead.
            AllowSetForegroundWindow(ASFW_ANY);
            const bool set = SetEvent(event) != 0;
            CloseHandle(event);
            return set;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(50);
    }
}

}  // namespace platform
