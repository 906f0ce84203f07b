#pragma once

#include <mutex>
#include <utility>

namespace core {

// A value handed between threads: getData() returns exactly the value last
// stored by setData(), whole, with no limits or conversion. Any thread.
template <typename T>
class ValueCell {
public:
    explicit ValueCell(T initial = T()) : m_value(std::move(initial)) {}

    T getData() const {
        std::lock_guard lock(m_mutex);
        return m_value;
    }
    void setData(T value) {
        std::lock_guard lock(m_mutex);
        m_value = std::move(value);
    }

private:
    mutable std::mutex m_mutex;
    T m_value;
};

}  // namespace core
