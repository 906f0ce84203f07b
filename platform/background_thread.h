#pragma once

#include <string>
#include <vector>

namespace platform {

// Gives the calling thread the lowest priority the system has for processor
// time and, where it can, for disk access (Linux: nice 19 and the idle I/O
// class; Windows: background mode and THREAD_PRIORITY_IDLE), so that
// it runs only when nothing else wants the processor. For the thread's whole
// life; best effort (a refusal leaves the priority as it was).
void makeThisThreadBackground();

// One entry of a folder.
struct FolderEntry {
    std::string name;
    bool isFolder = false;
    bool isFile = false;  // a regular file (platform::isFile)
};

// The entries of the folder `path` (program form), links followed as
// platform::isFile follows them; empty when it cannot be read. Any thread.
std::vector<FolderEntry> folderEntries(const std::string& path);

}  // namespace platform
