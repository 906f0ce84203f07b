#include <windows.h>

#include "platform/process_limits.h"

namespace platform {

void limitThisProcess(const ProcessLimits& limits) {
    // No error boxes: a crash ends this process at once, for the parent to see.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // A job object of its own carries the limits. Where one cannot be made or
    // joined, the parent's time limit still ends this process.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info = {};
    info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    if (limits.cpuSeconds > 0) {
        info.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_PROCESS_TIME;
        info.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart =
            LONGLONG(limits.cpuSeconds) * 10'000'000;  // 100 ns units
    }
    if (kMemoryLimitWorks && limits.memoryBytes > 0) {
        info.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_PROCESS_MEMORY;
        info.ProcessMemoryLimit = SIZE_T(limits.memoryBytes);
    }
    if (SetInformationJobObject(job, JobObjectExtendedLimitInformation, &info, sizeof info))
        AssignProcessToJobObject(job, GetCurrentProcess());
    // The handle stays open for the life of the process: the job with it.
}

}  // namespace platform
