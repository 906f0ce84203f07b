#include <windows.h>

#include <chrono>
#include <thread>

#include "platform/file.h"
#include "platform/fs.h"
#include "platform/open_win.h"
#include "platform/write_faults.h"

// See file.h: sharing is the open's share mode; byte-range locks are
// LockFileEx locks, which Windows enforces against reads and writes of the
// range, which is why every lock range lies beyond the data.

namespace platform {
namespace {

using win::lastErrorStatus;

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED ov = {};
    ov.Offset = DWORD(offset & 0xFFFFFFFFu);
    ov.OffsetHigh = DWORD(offset >> 32);
    return ov;
}

class WinFile : public File {
public:
    WinFile(HANDLE h, std::string path) : m_h(h), m_path(std::move(path)) {}
    ~WinFile() override { CloseHandle(m_h); }

    Status readAt(std::uint64_t offset, void* buffer, std::size_t length,
                  std::size_t* got) override {
        *got = 0;
        auto* out = static_cast<char*>(buffer);
        while (*got < length) {
            OVERLAPPED ov = at(offset + *got);
            DWORD chunk = DWORD(std::min<std::size_t>(length - *got, 1 << 20));
            DWORD n = 0;
            if (!ReadFile(m_h, out + *got, chunk, &n, &ov)) {
                DWORD err = GetLastError();
                if (err == ERROR_HANDLE_EOF) break;
                return lastErrorStatus("cannot read", m_path, err);
            }
            if (n == 0) break;
            *got += n;
        }
        return {};
    }

    Status writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
        auto* in = static_cast<const char*>(data);
        std::size_t done = 0;
        while (done < length) {
            OVERLAPPED ov = at(offset + done);
            DWORD chunk = DWORD(std::min<std::size_t>(length - done, 1 << 20));
            DWORD n = 0;
            if (!WriteFile(m_h, in + done, chunk, &n, &ov)) {
                return lastErrorStatus("cannot write", m_path, GetLastError());
            }
            done += n;
        }
        return {};
    }

    Status size(std::uint64_t* bytes) override {
        LARGE_INTEGER li;
        if (!GetFileSizeEx(m_h, &li)) return lastErrorStatus("cannot stat", m_path, GetLastError());
        *bytes = std::uint64_t(li.QuadPart);
        return {};
    }

    Status truncate(std::uint64_t bytes) override {
        LARGE_INTEGER li;
        li.QuadPart = LONGLONG(bytes);
        if (!SetFilePointerEx(m_h, li, nullptr, FILE_BEGIN) || !SetEndOfFile(m_h)) {
            return lastErrorStatus("cannot resize", m_path, GetLastError());
        }
        return {};
    }

    Status sync() override {
        if (!FlushFileBuffers(m_h)) return lastErrorStatus("cannot flush", m_path, GetLastError());
        return {};
    }

    Status lock(std::uint64_t offset, std::uint64_t length, bool exclusive, int waitMs) override {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        for (;;) {
            OVERLAPPED ov = at(offset);
            DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
            if (LockFileEx(m_h, flags, 0, DWORD(length & 0xFFFFFFFFu), DWORD(length >> 32), &ov)) {
                return {};
            }
            DWORD err = GetLastError();
            if (err != ERROR_LOCK_VIOLATION && err != ERROR_IO_PENDING) {
                return lastErrorStatus("cannot lock", m_path, err);
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return Status::locked(m_path + " is in use by another process",
                                      ERROR_SHARING_VIOLATION);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    Status unlock(std::uint64_t offset, std::uint64_t length) override {
        OVERLAPPED ov = at(offset);
        if (!UnlockFileEx(m_h, 0, DWORD(length & 0xFFFFFFFFu), DWORD(length >> 32), &ov)) {
            return lastErrorStatus("cannot unlock", m_path, GetLastError());
        }
        return {};
    }

private:
    HANDLE m_h;
    std::string m_path;
};

}  // namespace

Status openFile(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) {
    file->reset();
    bool write = mode.access == Access::ReadWrite || mode.disposition != Disposition::Existing;
    DWORD access = GENERIC_READ | (write ? GENERIC_WRITE : 0);
    DWORD share = mode.share == Share::Shared ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
    DWORD disposition = OPEN_EXISTING;
    if (mode.disposition == Disposition::CreateNew) disposition = CREATE_NEW;
    if (mode.disposition == Disposition::Replace) disposition = CREATE_ALWAYS;
    if (mode.disposition != Disposition::Existing) {
        if (Status fault = injectedWriteFault("create", path); !fault.isOk()) return fault;
    }
    HANDLE h = INVALID_HANDLE_VALUE;
    const bool followLinks = mode.followLinks && mode.disposition != Disposition::CreateNew;
    Status st = win::openRegular(path, access, share, disposition, followLinks, &h);
    if (!st.isOk()) return st;
    *file = withInjectedFaults(std::make_unique<WinFile>(h, path), path);
    return {};
}

}  // namespace platform
