// lumisett-stalled: the display program for the end-to-end tests of a share
// that no longer answers. Built from the same library as lumisett, never
// installed or packaged.
//   lumisett-stalled MARKER [PROFILE [MODE]]
// While the file MARKER exists, every file access of the display cycle waits
// (app/testing/stalled_reads.h); otherwise it is lumisett.
#include <cstdio>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/startup.h"
#include "app/testing/stalled_reads.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lumisett-stalled MARKER [PROFILE [MODE]]\n");
        return 2;
    }
    const std::string marker = argv[1];
    std::vector<char*> rest = {argv[0]};
    for (int i = 2; i < argc; ++i) rest.push_back(argv[i]);
    rest.push_back(nullptr);
    int restCount = int(rest.size()) - 1;
    return app::runProgram(restCount, rest.data(), [&](app::Program& program) {
        program.wrapDisplayAccess(app::stallReadsWhileMarked(marker));
    });
}
