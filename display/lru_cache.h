#pragma once

#include <cstddef>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace display {

// Values by key, bounded by the sum of their costs (bytes): storing past the
// bound drops the least recently used first. A value costing more than the
// whole bound is not kept at all. Values are handed out as copies, so keep
// them cheap to copy (implicitly shared). All members thread-safe.
template <class Key, class Value>
class LruCache {
public:
    explicit LruCache(std::size_t capacity) : m_capacity(capacity) {}

    // The value under `key`, which becomes the most recently used.
    std::optional<Value> get(const Key& key) {
        std::lock_guard lock(m_mutex);
        auto it = m_index.find(key);
        if (it == m_index.end()) return std::nullopt;
        m_order.splice(m_order.begin(), m_order, it->second);
        return it->second->value;
    }

    // Keeps `value` under `key` (replacing what was there) as the most
    // recently used, then drops the least recently used until the total
    // cost is within the bound.
    void put(const Key& key, Value value, std::size_t cost) {
        std::lock_guard lock(m_mutex);
        eraseLocked(key);
        if (cost > m_capacity) return;
        m_order.push_front({key, std::move(value), cost});
        m_index.emplace(key, m_order.begin());
        m_cost += cost;
        while (m_cost > m_capacity) eraseLocked(m_order.back().key);
    }

    bool contains(const Key& key) const {
        std::lock_guard lock(m_mutex);
        return m_index.count(key) > 0;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_index.clear();
        m_order.clear();
        m_cost = 0;
    }
    // The total cost kept, and the number of values.
    std::size_t cost() const {
        std::lock_guard lock(m_mutex);
        return m_cost;
    }
    std::size_t size() const {
        std::lock_guard lock(m_mutex);
        return m_index.size();
    }
    std::size_t capacity() const { return m_capacity; }

private:
    struct Entry {
        Key key;
        Value value;
        std::size_t cost;
    };

    void eraseLocked(const Key& key) {
        auto it = m_index.find(key);
        if (it == m_index.end()) return;
        m_cost -= it->second->cost;
        m_order.erase(it->second);
        m_index.erase(it);
    }

    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::list<Entry> m_order;  // most recently used first
    std::map<Key, typename std::list<Entry>::iterator> m_index;
    std::size_t m_cost = 0;
};

}  // namespace display
