#include "settings/shown_log.h"

#include <algorithm>
#include <cstdio>

#include "platform/append_file.h"
#include "platform/file_stamp.h"
#include "platform/fs.h"
#include "platform/local_time.h"

namespace settings {
namespace {

constexpr std::size_t kMaxWaiting = 1000;

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        if (c != '\r' && c != '\n') quoted += c;
    }
    return quoted + "\"";
}

// The fields of one CSV line (quotes as csvField writes them).
std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c != '\r' && c != '\n') {
            fields.back() += c;
        }
    }
    return fields;
}

}  // namespace

const char* sourceName(ShownSource source) {
    switch (source) {
    case ShownSource::Till: return "till";
    case ShownSource::SlideShow: return "slide show";
    case ShownSource::Typed: return "typed";
    }
    return "till";
}

std::string shownLogFile(const std::string& appPath, const std::string& profile, const std::tm& local) {
    char month[16];
    std::snprintf(month, sizeof month, "%04d-%02d", local.tm_year + 1900, local.tm_mon + 1);
    return appPath + "\\" + profile + "-shown-" + month + ".csv";
}

std::string shownLogLine(const std::tm& local, const std::string& code, ShownSource source,
                         const std::string& station) {
    char time[32];
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return std::string(time) + "," + csvField(code) + "," + sourceName(source) + "," + csvField(station) +
           "\r\n";
}

ShownLog::ShownLog(std::string appPath, std::string profile, std::uint64_t maxBytes)
    : m_appPath(std::move(appPath)), m_profile(std::move(profile)), m_maxBytes(maxBytes),
      m_thread([this] { run(); }) {}

ShownLog::~ShownLog() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void ShownLog::shown(std::time_t when, const std::string& code, ShownSource source,
                     const std::string& station) {
    {
        std::lock_guard lock(m_mutex);
        if (m_waiting.size() >= kMaxWaiting) return;  // the disk does not keep up: dropped
        m_waiting.push_back({when, code, source, station});
    }
    m_wake.notify_all();
}

void ShownLog::flush() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_waiting.empty() && !m_writing; });
}

void ShownLog::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
        if (m_waiting.empty()) return;
        const Item item = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_writing = true;
        lock.unlock();
        write(item);
        lock.lock();
        m_writing = false;
        m_idle.notify_all();
    }
}

void ShownLog::write(const Item& item) {
    const std::tm local = platform::localTime(item.when);
    const std::string file = shownLogFile(m_appPath, m_profile, local);
    const std::string line = shownLogLine(local, item.code, item.source, item.station);
    const auto stamp = platform::fileStamp(file);
    if (stamp && stamp->size + line.size() > m_maxBytes) {
        if (!m_toldFull) std::fprintf(stderr, "lumisett: %s is full; items shown are not logged\n", file.c_str());
        m_toldFull = true;
        return;
    }
    const platform::Status st = platform::appendToFile(file, line, kShownLogHead);
    if (!st.isOk() && !m_toldFailing) {
        std::fprintf(stderr, "lumisett: items shown cannot be logged: %s: %s\n", st.message().c_str(),
                     file.c_str());
        m_toldFailing = true;
    }
}

ShownCounts countShown(const std::vector<std::string>& files, const std::string& from, const std::string& to) {
    std::map<std::string, std::map<std::string, long>> counts;
    ShownCounts out;
    for (const std::string& file : files) {
        std::string text;
        if (!platform::readFile(file, &text, 256ull << 20).isOk()) continue;
        std::size_t at = 0;
        while (at < text.size()) {
            std::size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(at, end - at);
            at = end + 1;
            const std::vector<std::string> f = csvFields(line);
            if (f.size() < 3 || f[0] == "time" || f[0].size() < 10 || f[1].empty()) {
                if (!line.empty() && line != "\r" && (f.empty() || f[0] != "time")) ++out.skipped;
                continue;
            }
            const std::string day = f[0].substr(0, 10);
            if ((!from.empty() && day < from) || (!to.empty() && day > to)) continue;
            ++counts[f[2]][f[1]];
            ++out.lines;
        }
    }
    for (auto& [source, codes] : counts) {
        auto& list = out.bySource[source];
        for (auto& [code, n] : codes) list.emplace_back(code, n);
        std::stable_sort(list.begin(), list.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
    }
    return out;
}

}  // namespace settings
