#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/background_thread.h"

namespace platform {

void makeThisThreadBackground() {
    // Lowers the thread's processor, disk and memory priority.
    SetThreadPriority(GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
}

std::vector<FolderEntry> folderEntries(const std::string& path) {
    std::vector<FolderEntry> out;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        FolderEntry e;
        e.name = data.cFileName;
        if (e.name == "." || e.name == "..") continue;
        e.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        e.isFile = !e.isFolder && !(data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE);
        out.push_back(std::move(e));
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return out;
}

}  // namespace platform
