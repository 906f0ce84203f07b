#pragma once

#include <string>
#include <vector>

// lumisett-tool subcommands. Each takes its arguments (after the subcommand's
// name) and returns the process exit code. Paths are native paths.
namespace tools {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;  // arguments, for --help
    const char* help;   // one line
    int (*run)(const Args& args);
};

// The table of subcommands, in the order --help lists them.
const std::vector<Command>& commands();

int cmdNormalize(const Args& args);
int cmdProfile(const Args& args);
int cmdDump(const Args& args);
int cmdSeek(const Args& args);
int cmdIndex(const Args& args);
int cmdCheckIndex(const Args& args);
int cmdFindPicture(const Args& args);
int cmdDescribe(const Args& args);
int cmdReindex(const Args& args);
int cmdAutostart(const Args& args);
int cmdDoctor(const Args& args);
int cmdShown(const Args& args);
// Hidden: the display's metafile conversion child (display/metafile_child.h).
int cmdConvertMetafile(const Args& args);

}  // namespace tools
