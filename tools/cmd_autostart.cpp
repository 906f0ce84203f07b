// lumisett-tool autostart: the desktop's entry that starts a profile's display
// at log-on (Linux; on Windows the installer makes the start entry).
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "core/profile.h"
#include "platform/autostart.h"
#include "platform/file_kind.h"
#include "platform/fs.h"
#include "settings/net_name.h"
#include "tools/commands.h"
#include "tools/desktop_entry.h"

namespace tools {
namespace {

constexpr const char* kUsage = "usage: lumisett-tool autostart PROFILE [--folder PROGRAM_FOLDER] [--remove]\n";

int refuse(const std::string& message) {
    std::fprintf(stderr, "autostart: %s\n", message.c_str());
    return 1;
}

// Only a file we may have written is replaced or removed: a link planted at
// the name would carry the write (or the removal) somewhere else.
std::optional<std::string> whyNotOurs(const std::string& entry) {
    switch (platform::fileKindAt(entry)) {
    case platform::FileKind::Missing:
    case platform::FileKind::Regular: return std::nullopt;
    case platform::FileKind::Link: return entry + " is a symbolic link; it is left as it is";
    default: return entry + " is not a regular file; it is left as it is";
    }
}

}  // namespace

int cmdAutostart(const Args& args) {
    std::optional<std::string> profileArg, folderArg;
    bool remove = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--remove") {
            remove = true;
        } else if (args[i] == "--folder" && i + 1 < args.size()) {
            folderArg = args[++i];
        } else if (!profileArg && !args[i].starts_with("--")) {
            profileArg = args[i];
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (!profileArg) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // The name the display itself makes of the argument, so the entry, its
    // file name and the display's files agree.
    const std::string profile = core::deriveProfile(profileArg, settings::NetName);
    if (profile.empty()) return refuse("no profile: the argument names none and the computer has no name");
    if (!isUtf8(profile)) return refuse("the profile must be UTF-8 text in a desktop entry");
    const std::optional<std::string> folder = platform::autostartFolder();
    if (!folder) {
        return refuse("this system has no autostart folder (on Windows, the installer's \"Start "
                      "with Windows\" makes the start entry)");
    }
    const std::string entry = *folder + "/" + autostartFileName(profile);
    if (auto why = whyNotOurs(entry)) return refuse(*why);

    if (remove) {
        if (platform::fileKindAt(entry) == platform::FileKind::Missing) {
            std::printf("no entry %s\n", entry.c_str());
            return 0;
        }
        if (platform::Status st = platform::removeFile(entry); !st.isOk()) {
            return refuse(st.message() + ": " + entry);
        }
        std::printf("removed %s\n", entry.c_str());
        return 0;
    }

    std::error_code ec;
    std::filesystem::path programFolder = std::filesystem::absolute(folderArg.value_or("."), ec);
    if (!ec) programFolder = programFolder.lexically_normal();
    std::string programFolderText = programFolder.string();
    while (programFolderText.size() > 1 && programFolderText.back() == '/') programFolderText.pop_back();
    if (ec || !std::filesystem::is_directory(programFolder, ec)) {
        return refuse("no program folder " + programFolderText);
    }
    if (!isUtf8(programFolderText)) return refuse("the program folder's name must be UTF-8 text in a desktop entry");
    const std::string program = platform::installedProgram("lumisett");
    if (program.empty()) return refuse("no lumisett beside lumisett-tool or on PATH");

    std::filesystem::create_directories(*folder, ec);
    if (ec) return refuse("cannot make the folder " + *folder + ": " + ec.message());
    const std::string text = autostartEntry(program, profile, programFolderText);
    if (platform::Status st = platform::writeFileAtomic(entry, text); !st.isOk()) {
        return refuse(st.message() + ": " + entry);
    }
    std::printf("%s\n", entry.c_str());
    return 0;
}

}  // namespace tools
