#pragma once

// For fuzz targets whose code under test reads real files: a folder of its
// own, in memory where /dev/shm exists, emptied and reused for every input.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace testsupport {

class FuzzFolder {
public:
    FuzzFolder() {
        const std::filesystem::path shm = "/dev/shm";
        const auto base =
            std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
        m_path = base / ("lumisett-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_path);
    }
    ~FuzzFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    // Native path of `name`, after writing `bytes` there.
    std::string write(const std::string& name, std::string_view bytes) const {
        const auto p = m_path / name;
        std::ofstream(p, std::ios::binary | std::ios::trunc).write(bytes.data(),
                                                                    std::streamsize(bytes.size()));
        return p.string();
    }
    std::string str() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

// Takes the next `n` bytes of a fuzz input (fewer at its end).
inline std::string_view take(std::string_view& input, std::size_t n) {
    std::string_view head = input.substr(0, n);
    input.remove_prefix(head.size());
    return head;
}

}  // namespace testsupport
