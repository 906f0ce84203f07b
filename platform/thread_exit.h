#pragma once

namespace platform {

// Calls `fn(arg)` when the calling thread ends; the main thread's calls come
// when the process exits. Calls registered by one thread run in the reverse
// order of registration. Any thread.
//
// Use this instead of a thread_local object with a destructor where the
// clean-up matters: with MinGW's emulated thread-local storage, a thread's
// storage is freed before its thread_local destructors run, so such a
// destructor reads freed memory. What is registered here is kept outside
// that storage.
void atThreadExit(void (*fn)(void*), void* arg);

}  // namespace platform
