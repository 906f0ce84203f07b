#pragma once

#include <cstdint>

namespace platform {

// What a process that reads untrusted input may use (the metafile conversion
// child, display/metafile_child.h).
struct ProcessLimits {
    int cpuSeconds = 0;             // processor time; 0: no limit
    std::uint64_t memoryBytes = 0;  // address space (POSIX), committed memory (Windows); 0: none
};

// Whether this build can limit a process's memory: not under the address and
// thread sanitizers, which reserve terabytes of shadow memory up front.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kMemoryLimitWorks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kMemoryLimitWorks = false;
#else
inline constexpr bool kMemoryLimitWorks = true;
#endif
#else
inline constexpr bool kMemoryLimitWorks = true;
#endif

// Puts `limits` on the calling process for the rest of its life (the memory
// limit only where kMemoryLimitWorks), and makes a crash end it at once,
// leaving nothing behind: no core file (POSIX), no error box (Windows). Past
// its processor time the system ends the process (SIGXCPU on POSIX; on
// Windows the job object the process puts itself in); past its memory an
// allocation fails. Best effort, without a result: a limit the system refuses
// is left out (on Windows all of them when the process cannot have a job
// object of its own), so the process's parent must keep a time limit of its
// own. Any thread; call it once, early.
void limitThisProcess(const ProcessLimits& limits);

}  // namespace platform
