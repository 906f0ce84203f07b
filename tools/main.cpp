// lumisett-tool: the command-line companion for support staff and for tests.
#include <cstdio>
#include <exception>
#include <string>

#include "display/metafile_child.h"
#include "errors/error.h"
#include "platform/system_info.h"
#include "tools/commands.h"

namespace tools {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"normalize", "CODE...", "print each code in its full form, one per line", cmdNormalize},
        {"profile", "[NAME]",
         "print the profile, parameter file and list file 'lumisett NAME' would use here",
         cmdProfile},
        {"dump", "TABLE", "print the table's header and every record (deleted flag, then fields, tab-separated)",
         cmdDump},
        {"seek", "TABLE INDEX KEY", "print the record number and record of KEY; exit 1 when not found",
         cmdSeek},
        {"index", "TABLE FIELD OUT.ntx", "build an index on one field (key expression alias->field)",
         cmdIndex},
        {"check-index", "TABLE INDEX",
         "check that the index holds one entry per record with the right key, in order; exit 1 if not",
         cmdCheckIndex},
        {"find-picture", "DATA_PATH CODE",
         "print the picture file of item CODE under DATA_PATH (empty line when none)",
         cmdFindPicture},
        {"describe", "DATA_PATH CODE",
         "print the description text the display shows for CODE (CR LF kept, no newline added)",
         cmdDescribe},
        {"reindex", "DATA_PATH",
         "rebuild istkcode.ntx, imercode.ntx and isubcode.ntx of the tables in DATA_PATH; exit 1 "
         "when a table is missing or held by another program",
         cmdReindex},
        {"doctor", "[PROGRAM_FOLDER] [PROFILE]",
         "check a shop as support would (parameter file, code file, tables, indexes, lookups, "
         "pictures, slide show list, error logs); exit 1 when a check failed",
         cmdDoctor},
        {"autostart", "PROFILE [--folder PROGRAM_FOLDER] [--remove]",
         "write (or remove) the desktop's entry that starts 'lumisett PROFILE' in the program folder "
         "(default: the current one) at log-on",
         cmdAutostart},
        {"shown", "FOLDER [PROFILE] [--from YYYY-MM-DD] [--to YYYY-MM-DD]",
         "list the items shown most often, per source (till, slide show, typed), from the logs "
         "[ShownLog] writes in the program folder FOLDER",
         cmdShown},
    };
    return table;
}

}  // namespace tools

namespace {

void printHelp(std::FILE* out) {
    std::fprintf(out, "usage: lumisett-tool COMMAND [ARGS]\n\ncommands:\n");
    for (const auto& c : tools::commands()) {
        std::string head = std::string(c.name) + " " + c.usage;
        std::fprintf(out, "  %-40s %s\n", head.c_str(), c.help);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // What the tool prints is compared byte for byte with the POSIX build.
    platform::setStdoutBinary();
    if (argc < 2) {
        printHelp(stderr);
        return 2;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp(stdout);
        return 0;
    }
    tools::Args args(argv + 2, argv + argc);
    if (name == display::kConvertMetafileCommand) return tools::cmdConvertMetafile(args);
    for (const auto& c : tools::commands()) {
        if (name != c.name) continue;
        try {
            return c.run(args);
        } catch (const errors::Unwind& u) {
            const errors::Error& e = u.error();
            std::fprintf(stderr, "lumisett-tool %s: %s%s%s\n", c.name, e.description.c_str(),
                         e.fileName.empty() ? "" : ": ", e.fileName.c_str());
            return 1;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "lumisett-tool %s: %s\n", c.name, e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "lumisett-tool: unknown command '%s'\n\n", name.c_str());
    printHelp(stderr);
    return 2;
}
