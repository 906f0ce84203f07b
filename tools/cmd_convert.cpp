// The child side of the display's metafile conversion (display/metafile_child.h).
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#ifndef _WIN32
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
#ifndef _WIN32
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

}  // namespace

int cmdConvertMetafile(const Args& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: lumisett-tool %s IN OUT\n", display::kConvertMetafileCommand);
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
    std::optional<std::string> svg = emfToSvg(std::string_view(bytes).substr(0, check.length));
    if (!svg) return display::kMetafileRefused;
    st = platform::writeFile(args[1], *svg);
    if (!st.isOk()) {
        std::fprintf(stderr, "%s\n", st.message().c_str());
        return 1;
    }
    return display::kMetafileConverted;
}

}  // namespace tools
