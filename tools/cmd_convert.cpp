// The child side of the display's metafile conversion (display/metafile_child.h).
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "display/emf_check.h"
#include "display/metafile_child.h"
#include "platform/fs.h"
#include "platform/process_limits.h"
#include "platform/read_limits.h"
#include "tools/commands.h"
#include "tools/metafile_backend.h"

namespace tools {
namespace {

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
    platform::limitThisProcess({display::kMetafileChildCpuSeconds, display::kMetafileChildMemory});
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
