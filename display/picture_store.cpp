#include "display/picture_store.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <set>
#include <tuple>
#include <sstream>

#include "platform/os.h"
#include "platform/path.h"

namespace display {
namespace {

constexpr const char* kIndexName = "index";
constexpr const char* kLockName = "lock";
constexpr const char* kIndexHead = "lumisett picture store 1";
constexpr int kFields = 13;  // the key last: it may hold anything but a line end

// A copy's name as the store makes them: 16 hexadecimal digits, ".jpg" or ".png".
bool isCopyName(const std::string& name) {
    if (name.size() != 20) return false;
    for (int i = 0; i < 16; ++i) {
        const char c = name[std::size_t(i)];
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'a' || c > 'f')) return false;
    }
    const std::string ext = name.substr(16);
    return ext == ".jpg" || ext == ".png";
}

template <class T>
bool number(std::string_view text, T* value, int base = 10) {
    const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), *value, base);
    return err == std::errc() && end == text.data() + text.size();
}

std::vector<std::string_view> splitTabs(std::string_view line, int fields) {
    std::vector<std::string_view> out;
    while (int(out.size()) + 1 < fields) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) break;
        out.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    out.push_back(line);
    return out;
}

}  // namespace

std::uint64_t storeChecksum(const std::string& bytes) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

PictureStore::PictureStore(std::unique_ptr<platform::PrivateFolder> folder, std::uint64_t capacity)
    : m_folder(std::move(folder)), m_capacity(capacity) {}

std::uint64_t PictureStore::capacity() const {
    std::lock_guard lock(m_mutex);
    return m_capacity;
}

void PictureStore::setCapacity(std::uint64_t capacityBytes) {
    std::vector<std::string> gone;
    {
        std::lock_guard lock(m_mutex);
        m_capacity = capacityBytes;
        makeRoomLocked(0, false, &gone);
    }
    removeFiles(gone);
}

PictureStore::~PictureStore() { static_cast<void>(flush()); }

std::unique_ptr<PictureStore> PictureStore::open(const std::string& base,
                                                 const std::vector<std::string>& below,
                                                 std::uint64_t capacityBytes, std::string* why) {
    std::unique_ptr<platform::PrivateFolder> folder;
    const platform::Status opened = platform::PrivateFolder::open(base, below, &folder);
    if (!opened.isOk()) {
        *why = opened.message();
        return nullptr;
    }
    if (!folder->lock(kLockName)) {
        *why = folder->path() + " is in use by another display";
        return nullptr;
    }
    std::unique_ptr<PictureStore> store(new PictureStore(std::move(folder), capacityBytes));
    store->load();
    return store;
}

std::unique_ptr<PictureStore> PictureStore::openUsers(std::uint64_t capacityBytes, std::string* why) {
    const std::optional<std::string> cache = platform::userCacheFolder();
    if (!cache) {
        *why = platform::kWindows ? "LOCALAPPDATA is not set" : "neither XDG_CACHE_HOME nor HOME is set";
        return nullptr;
    }
    return open(*cache, {platform::kWindows ? "Lumisett" : "lumisett", "pictures"}, capacityBytes,
                why);
}

std::string PictureStore::keyOf(const std::string& original) {
    std::optional<std::string> native = platform::toNative(original);
    if (!native) return {};
    if constexpr (platform::kWindows) {
        for (char& c : *native) {
            c = c == '/' ? '\\' : char(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return *native;
}

void PictureStore::load() {
    std::string text;
    const platform::Status read = m_folder->read(kIndexName, &text, kIndexLimit);
    if (!read.isOk() && read.code() != platform::Status::Code::NotFound) {
        std::fprintf(stderr, "lumisett: picture store index not used: %s\n", read.message().c_str());
    }
    std::set<std::string> present;
    for (const std::string& name : m_folder->names()) present.insert(name);

    std::istringstream lines(text);
    std::string line;
    bool headed = false;
    while (std::getline(lines, line)) {
        if (!headed) {
            if (line != kIndexHead) break;  // not an index of ours: the store starts empty
            headed = true;
            continue;
        }
        if (line.rfind("clock\t", 0) == 0) {
            static_cast<void>(number(std::string_view(line).substr(6), &m_clock));
            continue;
        }
        const auto f = splitTabs(line, kFields);
        if (int(f.size()) != kFields) continue;
        Entry e;
        e.name = std::string(f[0]);
        std::int64_t modified = 0, changed = 0;
        const bool ok = number(f[1], &e.bytes) && number(f[2], &e.checksum, 16) &&
                        number(f[3], &e.info.width) && number(f[4], &e.info.height) &&
                        number(f[5], &e.info.fullWidth) && number(f[6], &e.info.fullHeight) &&
                        number(f[7], &e.shown) && number(f[8], &e.added) &&
                        number(f[9], &e.stamp.size) && number(f[10], &modified) &&
                        number(f[11], &changed);
        std::string_view rest = f[12];
        const std::size_t tab = rest.find('\t');
        if (!ok || tab == std::string_view::npos || !number(rest.substr(0, tab), &e.stamp.identity))
            continue;
        const std::string key(rest.substr(tab + 1));
        e.stamp.modified = std::chrono::nanoseconds(modified);
        e.stamp.changed = std::chrono::nanoseconds(changed);
        if (!isCopyName(e.name) || !present.count(e.name) || key.empty() ||
            e.info.width <= 0 || e.info.height <= 0 || e.bytes > kCopyLimit ||
            m_entries.count(key)) {
            continue;
        }
        m_clock = std::max({m_clock, e.shown, e.added});
        m_bytes += e.bytes;
        m_entries.emplace(key, std::move(e));
    }
    // Whatever the index does not name is not ours to trust.
    std::set<std::string> named;
    for (const auto& [key, e] : m_entries) named.insert(e.name);
    std::vector<std::string> foreign;
    for (const std::string& name : present) {
        if (name != kIndexName && name != kLockName && !named.count(name)) foreign.push_back(name);
    }
    removeFiles(foreign);
    std::vector<std::string> gone;
    {
        std::lock_guard lock(m_mutex);
        makeRoomLocked(0, false, &gone);  // a smaller [PictureStore] than last time
        m_dirty = !foreign.empty() || !gone.empty();
    }
    removeFiles(gone);
}

std::optional<CopyInfo> PictureStore::lookup(const std::string& original,
                                             const platform::FileStamp& stamp) const {
    const std::string key = keyOf(original);
    std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(key);
    if (it == m_entries.end() || it->second.stamp != stamp) return std::nullopt;
    return it->second.info;
}

std::optional<std::string> PictureStore::read(const std::string& original,
                                              const platform::FileStamp& stamp) {
    const std::string key = keyOf(original);
    Entry entry;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_entries.find(key);
        if (it == m_entries.end() || it->second.stamp != stamp) return std::nullopt;
        entry = it->second;
    }
    std::string bytes;
    const bool sound = m_folder->read(entry.name, &bytes, kCopyLimit).isOk() &&
                       bytes.size() == entry.bytes && storeChecksum(bytes) == entry.checksum;
    std::vector<std::string> gone;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_entries.find(key);
        if (it == m_entries.end() || it->second.name != entry.name) return std::nullopt;
        if (sound) {
            it->second.shown = ++m_clock;
            m_dirty = true;
        } else {
            eraseLocked(it, &gone);
        }
    }
    if (!sound) {
        removeFiles(gone);
        return std::nullopt;
    }
    return bytes;
}

bool PictureStore::hasRoomFor(std::uint64_t bytes) const {
    std::lock_guard lock(m_mutex);
    return m_bytes + bytes <= m_capacity;
}

PictureStore::Put PictureStore::put(const std::string& original, const platform::FileStamp& stamp,
                                    const CopyInfo& info, const std::string& bytes,
                                    const std::string& extension, StorePriority priority) {
    const std::string key = keyOf(original);
    if (key.empty() || key.find_first_of("\r\n") != std::string::npos ||
        (extension != "jpg" && extension != "png") || bytes.empty() || bytes.size() > kCopyLimit)
        return Put::Failed;
    if (bytes.size() > capacity()) return Put::Full;
    if (priority == StorePriority::Background && !hasRoomFor(bytes.size())) return Put::Full;

    Entry e;
    e.name = platform::PrivateFolder::unpredictableName() + "." + extension;
    e.bytes = bytes.size();
    e.checksum = storeChecksum(bytes);
    e.info = info;
    e.stamp = stamp;
    if (!m_folder->write(e.name, bytes).isOk()) return Put::Failed;

    std::vector<std::string> gone;
    Put result = Put::Kept;
    {
        std::lock_guard lock(m_mutex);
        if (auto old = m_entries.find(key); old != m_entries.end()) eraseLocked(old, &gone);
        const bool fits = priority == StorePriority::Background
                              ? m_bytes + e.bytes <= m_capacity
                              : makeRoomLocked(e.bytes, priority == StorePriority::Listed, &gone);
        if (fits) {
            e.added = m_clock;
            if (priority == StorePriority::Shown) e.shown = ++m_clock;
            m_bytes += e.bytes;
            m_entries.emplace(key, e);
        } else {
            gone.push_back(e.name);
            result = Put::Full;
        }
        m_dirty = true;
    }
    removeFiles(gone);
    return result;
}

bool PictureStore::makeRoomLocked(std::uint64_t room, bool onlyUnshown,
                                  std::vector<std::string>* gone) {
    if (room > m_capacity) return false;
    if (onlyUnshown) {
        std::uint64_t unshown = 0;
        for (const auto& [key, e] : m_entries) unshown += e.shown == 0 ? e.bytes : 0;
        if (m_bytes - unshown + room > m_capacity) return false;
    }
    while (m_bytes + room > m_capacity && !m_entries.empty()) {
        auto victim = std::min_element(m_entries.begin(), m_entries.end(), [](const auto& a, const auto& b) {
            return std::tie(a.second.shown, a.second.added) < std::tie(b.second.shown, b.second.added);
        });
        if (onlyUnshown && victim->second.shown != 0) return false;
        eraseLocked(victim, gone);
    }
    return m_bytes + room <= m_capacity;
}

void PictureStore::eraseLocked(std::map<std::string, Entry>::iterator it,
                               std::vector<std::string>* gone) {
    gone->push_back(it->second.name);
    m_bytes -= it->second.bytes;
    m_entries.erase(it);
    m_dirty = true;
}

void PictureStore::removeFiles(const std::vector<std::string>& names) const {
    for (const std::string& name : names) static_cast<void>(m_folder->remove(name));
}

std::string PictureStore::indexText() const {
    std::string text = std::string(kIndexHead) + "\nclock\t" + std::to_string(m_clock) + "\n";
    char checksum[17];
    for (const auto& [key, e] : m_entries) {
        std::snprintf(checksum, sizeof checksum, "%016llx", static_cast<unsigned long long>(e.checksum));
        text += e.name + '\t' + std::to_string(e.bytes) + '\t' + checksum + '\t' +
                std::to_string(e.info.width) + '\t' + std::to_string(e.info.height) + '\t' +
                std::to_string(e.info.fullWidth) + '\t' + std::to_string(e.info.fullHeight) + '\t' +
                std::to_string(e.shown) + '\t' + std::to_string(e.added) + '\t' +
                std::to_string(e.stamp.size) + '\t' + std::to_string(e.stamp.modified.count()) +
                '\t' + std::to_string(e.stamp.changed.count()) + '\t' +
                std::to_string(e.stamp.identity) + '\t' + key + '\n';
    }
    return text;
}

platform::Status PictureStore::flush() {
    std::lock_guard flushing(m_flushMutex);
    std::string text;
    {
        std::lock_guard lock(m_mutex);
        if (!m_dirty) return {};
        text = indexText();
        m_dirty = false;
    }
    platform::Status written = m_folder->write(kIndexName, text, true);
    if (!written.isOk()) {
        std::lock_guard lock(m_mutex);
        m_dirty = true;
    }
    return written;
}

std::uint64_t PictureStore::bytes() const {
    std::lock_guard lock(m_mutex);
    return m_bytes;
}

std::size_t PictureStore::count() const {
    std::lock_guard lock(m_mutex);
    return m_entries.size();
}

}  // namespace display
