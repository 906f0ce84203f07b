#include <sys/resource.h>

#include "platform/process_limits.h"

namespace platform {

void limitThisProcess(const ProcessLimits& limits) {
    if (limits.cpuSeconds > 0) {
        struct rlimit cpu = {rlim_t(limits.cpuSeconds), rlim_t(limits.cpuSeconds)};
        setrlimit(RLIMIT_CPU, &cpu);
    }
    if (kMemoryLimitWorks && limits.memoryBytes > 0) {
        struct rlimit memory = {rlim_t(limits.memoryBytes), rlim_t(limits.memoryBytes)};
        setrlimit(RLIMIT_AS, &memory);
    }
    struct rlimit core = {0, 0};  // a crash leaves no core file behind
    setrlimit(RLIMIT_CORE, &core);
}

}  // namespace platform
