#include "platform/temporary_file.h"

#include <deque>
#include <mutex>
#include <set>

#include "platform/fs.h"
#include "platform/random.h"

namespace platform {
namespace {

// Names taken in a row before create gives up: only a folder someone fills
// on purpose takes one, as the names cannot be guessed.
constexpr int kNameTries = 16;

std::mutex g_mutex;
std::multiset<std::string>& pending() {
    static auto* files = new std::multiset<std::string>;  // outlives static destructors
    return *files;
}
std::deque<std::string>& namesForTests() {
    static auto* names = new std::deque<std::string>;
    return *names;
}

void forget(const std::string& path) {
    std::lock_guard lock(g_mutex);
    auto it = pending().find(path);
    if (it != pending().end()) pending().erase(it);
}

std::string nextNamePart() {
    {
        std::lock_guard lock(g_mutex);
        if (!namesForTests().empty()) {
            std::string part = std::move(namesForTests().front());
            namesForTests().pop_front();
            return part;
        }
    }
    return randomHex(16);
}

}  // namespace

Status TemporaryFile::create(const std::string& path, std::unique_ptr<TemporaryFile>* temp,
                             std::unique_ptr<File>* file) {
    temp->reset();
    file->reset();
    Status st;
    for (int i = 0; i < kNameTries; ++i) {
        auto made = std::make_unique<TemporaryFile>(path + "." + nextNamePart() + ".tmp");
        st = openFile(made->path(), {Access::ReadWrite, Share::Exclusive, Disposition::CreateNew,
                                     /*followLinks=*/false},
                      file);
        if (st.isOk()) {
            *temp = std::move(made);
            return {};
        }
        made->keep();  // whatever is there is not ours to remove
        if (!nameTaken(st)) return st;
    }
    return st;
}

TemporaryFile::TemporaryFile(std::string path) : m_path(std::move(path)) {
    std::lock_guard lock(g_mutex);
    pending().insert(m_path);
}

TemporaryFile::~TemporaryFile() {
    forget(m_path);
    if (!m_kept && isFile(m_path)) static_cast<void>(removeFile(m_path));
}

void TemporaryFile::keep() {
    if (!m_kept) forget(m_path);
    m_kept = true;
}

Status TemporaryFile::install(const std::string& target) {
    Status st = renameFile(m_path, target);
    if (!st.isOk()) {
        if (st.osCode() == 0) return st;
        return Status(st.code(), "cannot replace " + target + ": " + osErrorText(st.osCode()),
                      st.osCode());
    }
    keep();
    return {};
}

void removeTemporaryFiles() {
    std::lock_guard lock(g_mutex);
    for (const std::string& path : pending()) {
        if (isFile(path)) static_cast<void>(removeFile(path));
    }
    pending().clear();
}

void useTemporaryNamesForTests(std::vector<std::string> parts) {
    std::lock_guard lock(g_mutex);
    namesForTests().assign(parts.begin(), parts.end());
}

Status writeFileAtomic(const std::string& path, const std::string& content) {
    std::unique_ptr<TemporaryFile> temp;
    std::unique_ptr<File> file;
    Status st = TemporaryFile::create(path, &temp, &file);
    if (!st.isOk()) return st;
    st = file->writeAt(0, content.data(), content.size());
    if (st.isOk()) st = file->sync();
    file.reset();
    if (st.isOk()) st = temp->install(path);
    return st;  // a temporary not installed goes with `temp`
}

}  // namespace platform
