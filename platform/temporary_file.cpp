#include "platform/temporary_file.h"

#include <mutex>
#include <set>

#include "platform/fs.h"

namespace platform {
namespace {

std::mutex g_mutex;
std::multiset<std::string>& pending() {
    static auto* files = new std::multiset<std::string>;  // outlives static destructors
    return *files;
}

void forget(const std::string& path) {
    std::lock_guard lock(g_mutex);
    auto it = pending().find(path);
    if (it != pending().end()) pending().erase(it);
}

}  // namespace

TemporaryFile::TemporaryFile(std::string path) : m_path(std::move(path)) {
    std::lock_guard lock(g_mutex);
    pending().insert(m_path);
}

TemporaryFile::~TemporaryFile() {
    forget(m_path);
    if (!m_kept && isFile(m_path)) static_cast<void>(removeFile(m_path));
}

void TemporaryFile::keep() {
    m_kept = true;
    forget(m_path);
}

void removeTemporaryFiles() {
    std::lock_guard lock(g_mutex);
    for (const std::string& path : pending()) {
        if (isFile(path)) static_cast<void>(removeFile(path));
    }
    pending().clear();
}

}  // namespace platform
