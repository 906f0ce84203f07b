// Test helper standing in for the point-of-sale: holds a table open (shared,
// read-write) in a process of its own until its standard input closes.
//   hold_table FILE     writes "held" to FILE + ".held" once the file is open
#include <cstdio>
#include <memory>
#include <string>

#include "platform/file.h"
#include "platform/fs.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::unique_ptr<platform::File> file;
    platform::Status st = platform::openFile(
        argv[1], {platform::Access::ReadWrite, platform::Share::Shared}, &file);
    if (!st.isOk()) {
        std::fprintf(stderr, "hold_table: %s\n", st.message().c_str());
        return 1;
    }
    if (!platform::writeFileAtomic(std::string(argv[1]) + ".held", "held").isOk()) return 1;
    while (std::getchar() != EOF) {
    }
    return 0;
}
