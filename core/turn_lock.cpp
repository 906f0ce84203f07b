#include "core/turn_lock.h"

#include <chrono>

namespace core {

bool TurnLock::lock() {
    if (heldByCurrentThread()) return false;
    m_mutex.lock();
    m_owner.store(std::this_thread::get_id());
    return true;
}

bool TurnLock::lockPumping(const std::function<void()>& pumpEvents) {
    if (heldByCurrentThread()) return false;
    // The wait inside try_lock_for keeps this from spinning; 10 ms keeps the
    // window lively.
    while (!m_mutex.try_lock_for(std::chrono::milliseconds(10))) pumpEvents();
    m_owner.store(std::this_thread::get_id());
    return true;
}

void TurnLock::unlock() {
    m_owner.store(std::thread::id());
    m_mutex.unlock();
}

bool TurnLock::heldByCurrentThread() const {
    return m_owner.load() == std::this_thread::get_id();
}

}  // namespace core
