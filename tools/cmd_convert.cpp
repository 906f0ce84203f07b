// The child side of the display's metafile conversion (display/metafile_child.h).
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include "display/emf_check.h"
#include "display/metafile_child.h"
#include "platform/fs.h"
#include "platform/read_limits.h"
#include "tools/commands.h"
#include "tools/metafile_backend.h"

namespace tools {
namespace {

// Address-space limits cannot work under the sanitizers, which reserve
// terabytes of shadow memory up front.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kLimitMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kLimitMemory = false;
#else
constexpr bool kLimitMemory = true;
#endif
#else
constexpr bool kLimitMemory = true;
#endif

void limitSelf() {
#ifdef _WIN32
    // No error boxes: a crash ends this process at once, for the parent to see.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // A job object of its own carries the limits. Where one cannot be made or
    // joined, the parent's time limit still ends this process.
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_TIME |
                                              JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    limits.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart =
        LONGLONG(display::kMetafileChildCpuSeconds) * 10'000'000;  // 100 ns units
    if (kLimitMemory) {
        limits.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_PROCESS_MEMORY;
        limits.ProcessMemoryLimit = SIZE_T(display::kMetafileChildMemory);
    }
    if (SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits))
        AssignProcessToJobObject(job, GetCurrentProcess());
    // The handle stays open for the life of the process: the job with it.
#else
    struct rlimit cpu = {rlim_t(display::kMetafileChildCpuSeconds),
                         rlim_t(display::kMetafileChildCpuSeconds)};
    setrlimit(RLIMIT_CPU, &cpu);
    if (kLimitMemory) {
        struct rlimit memory = {rlim_t(display::kMetafileChildMemory),
                                rlim_t(display::kMetafileChildMemory)};
        setrlimit(RLIMIT_AS, &memory);
    }
    struct rlimit core = {0, 0};  // a crash leaves no core file behind
    setrlimit(RLIMIT_CORE, &core);
#endif
}

// WIDTH and HEIGHT: whole numbers from 1 whose product is at most
// kMetafileChildMaxPixels.
bool readSize(const std::string& w, const std::string& h, int* width, int* height) {
    auto number = [](const std::string& text, int* value) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
        return error == std::errc() && end == text.data() + text.size() && *value > 0;
    };
    return number(w, width) && number(h, height) &&
           std::int64_t(*width) * *height <= display::kMetafileChildMaxPixels;
}

}  // namespace

int cmdConvertMetafile(const Args& args) {
    const std::size_t wanted = display::kMetafileChildDraws ? 4 : 2;
    int width = 0, height = 0;
    if (args.size() != wanted || (wanted == 4 && !readSize(args[2], args[3], &width, &height))) {
        std::fprintf(stderr, "usage: lumisett-tool %s IN OUT%s\n",
                     display::kConvertMetafileCommand,
                     display::kMetafileChildDraws ? " WIDTH HEIGHT" : "");
        return 2;
    }
    limitSelf();
    std::string bytes;
    platform::Status st = platform::readFile(args[0], &bytes, platform::kPictureFileLimit);
    if (!st.isOk()) {
        std::fprintf(stderr, "%s\n", st.message().c_str());
        return 1;
    }
    // The parent checked it too; the child does not rely on that.
    const display::EmfCheck check = display::checkEmf(bytes);
    if (!check.ok()) {
        std::fprintf(stderr, "%s: %s\n", args[0].c_str(), check.fault.c_str());
        return 1;
    }
    std::optional<std::string> picture =
        convertEmf(std::string_view(bytes).substr(0, check.length), width, height);
    if (!picture) return display::kMetafileRefused;
    st = platform::writeFileAtomic(args[1], *picture);
    if (!st.isOk()) {
        std::fprintf(stderr, "%s\n", st.message().c_str());
        return 1;
    }
    return display::kMetafileConverted;
}

}  // namespace tools
