#include <windows.h>

#include <thread>

#include "platform/single_instance.h"

namespace platform {
namespace {

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

// Names in the session's namespace: each signed-in user has a display of
// his own.
struct SingleInstance::Impl {
    std::wstring mutexName;
    std::wstring eventName;
    HANDLE mutex = nullptr;
    HANDLE raiseEvent = nullptr;
    HANDLE stopEvent = nullptr;
    std::thread listener;
};

SingleInstance::SingleInstance(std::string key) : m_impl(std::make_unique<Impl>()) {
    const std::wstring name = L"Local\\" + wide(instanceName(key));
    m_impl->mutexName = name;
    m_impl->eventName = name + L"-raise";
}

SingleInstance::~SingleInstance() {
    stopListening();
    if (m_impl->raiseEvent) CloseHandle(m_impl->raiseEvent);
    if (m_impl->mutex) CloseHandle(m_impl->mutex);
}

bool SingleInstance::claim() {
    // The mutex exists while a process holds a handle to it; the system
    // closes a crashed holder's handles, so it never outlives the display.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, m_impl->mutexName.c_str());
    if (!mutex) return true;  // nothing to check against: the display runs
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    m_impl->mutex = mutex;
    // Made with the claim, so a later start finds it as soon as it finds the mutex.
    m_impl->raiseEvent = CreateEventW(nullptr, FALSE, FALSE, m_impl->eventName.c_str());
    return true;
}

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
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, m_impl->eventName.c_str());
        if (event) {
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
