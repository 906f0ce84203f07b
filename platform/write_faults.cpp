#include "platform/write_faults.h"

#include <atomic>

namespace platform {
namespace {

constexpr int kNoSpace = 28;  // ENOSPC; the text says what it was

// Write operations still to succeed; below 0 none is failed.
std::atomic<int> g_writesLeft{-1};

class FailingFile : public File {
public:
    FailingFile(std::unique_ptr<File> file, std::string path)
        : m_file(std::move(file)), m_path(std::move(path)) {}

    Status readAt(std::uint64_t offset, void* buffer, std::size_t length,
                  std::size_t* got) override {
        return m_file->readAt(offset, buffer, length, got);
    }
    Status writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
        Status st = injectedWriteFault("write", m_path);
        return st.isOk() ? m_file->writeAt(offset, data, length) : st;
    }
    Status size(std::uint64_t* bytes) override { return m_file->size(bytes); }
    Status truncate(std::uint64_t bytes) override {
        Status st = injectedWriteFault("resize", m_path);
        return st.isOk() ? m_file->truncate(bytes) : st;
    }
    Status sync() override {
        Status st = injectedWriteFault("flush", m_path);
        return st.isOk() ? m_file->sync() : st;
    }
    Status lock(std::uint64_t offset, std::uint64_t length, bool exclusive, int waitMs) override {
        return m_file->lock(offset, length, exclusive, waitMs);
    }
    Status unlock(std::uint64_t offset, std::uint64_t length) override {
        return m_file->unlock(offset, length);
    }

private:
    std::unique_ptr<File> m_file;
    std::string m_path;
};

}  // namespace

void failWritesAfter(int n) { g_writesLeft = n < 0 ? -1 : n; }

void stopFailingWrites() { g_writesLeft = -1; }

Status injectedWriteFault(const char* what, const std::string& path) {
    int left = g_writesLeft.load();
    while (left > 0 && !g_writesLeft.compare_exchange_weak(left, left - 1)) {
    }
    if (left != 0) return {};
    return Status::ioError(std::string("cannot ") + what + " " + path +
                               ": no space left on the disk (injected failure)",
                           kNoSpace);
}

std::unique_ptr<File> withInjectedFaults(std::unique_ptr<File> file, const std::string& path) {
    if (g_writesLeft.load() < 0) return file;
    return std::make_unique<FailingFile>(std::move(file), path);
}

}  // namespace platform
