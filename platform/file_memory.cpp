#include <algorithm>
#include <cstring>

#include "platform/file.h"

namespace platform {
namespace {

class MemoryFile : public File {
public:
    MemoryFile(std::shared_ptr<std::string> bytes, int failAfterWrites)
        : m_bytes(std::move(bytes)), m_writesLeft(failAfterWrites) {}

    Status readAt(std::uint64_t offset, void* buffer, std::size_t length,
                  std::size_t* got) override {
        *got = 0;
        if (offset >= m_bytes->size()) return {};
        *got = std::min<std::size_t>(length, m_bytes->size() - std::size_t(offset));
        std::memcpy(buffer, m_bytes->data() + offset, *got);
        return {};
    }

    Status writeAt(std::uint64_t offset, const void* data, std::size_t length) override {
        if (m_writesLeft == 0) return Status::ioError("cannot write (memory file set to fail)", 5);
        if (m_writesLeft > 0) --m_writesLeft;
        if (offset + length > m_bytes->size()) m_bytes->resize(std::size_t(offset + length));
        std::memcpy(m_bytes->data() + offset, data, length);
        return {};
    }

    Status size(std::uint64_t* bytes) override {
        *bytes = m_bytes->size();
        return {};
    }
    Status truncate(std::uint64_t bytes) override {
        m_bytes->resize(std::size_t(bytes));
        return {};
    }
    Status sync() override { return {}; }
    Status lock(std::uint64_t, std::uint64_t, bool, int) override { return {}; }
    Status unlock(std::uint64_t, std::uint64_t) override { return {}; }

private:
    std::shared_ptr<std::string> m_bytes;
    int m_writesLeft;
};

}  // namespace

std::unique_ptr<File> memoryFile(std::shared_ptr<std::string> bytes, int failAfterWrites) {
    return std::make_unique<MemoryFile>(std::move(bytes), failAfterWrites);
}

}  // namespace platform
