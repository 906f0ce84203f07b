// lumisett-tool reindex: the Settings page's re-index without a window.
#include <cstdio>
#include <string>

#include "errors/error.h"
#include "inventory/index_util.h"
#include "platform/fs.h"
#include "tools/commands.h"

namespace tools {
namespace {

// Prints "Re-indexing: NN%" on one terminal line, rewritten with a carriage
// return each time the percentage changes.
class TerminalProgress : public inventory::ReindexProgress {
public:
    void setRange(double minimum, double maximum, double) override {
        m_total = maximum >= minimum ? maximum - minimum + 1 : 0;
        show(0);
    }
    void increment(double n) override {
        m_done += n;
        show(m_total > 0 ? int(m_done * 100 / m_total) : 100);
    }
    void finish() {
        show(100);
        std::fprintf(stderr, "\n");
    }

private:
    void show(int percent) {
        if (percent > 100) percent = 100;
        if (percent == m_shown) return;
        m_shown = percent;
        std::fprintf(stderr, "\rRe-indexing: %3d%%", percent);
        std::fflush(stderr);
    }

    double m_total = 0;
    double m_done = 0;
    int m_shown = -1;
};

}  // namespace

int cmdReindex(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: lumisett-tool reindex DATA_PATH\n");
        return 2;
    }
    const inventory::IndexFiles files = inventory::indexFiles(args[0]);
    if (!platform::isFile(files.stock.table)) {
        std::fprintf(stderr, "reindex: no table %s: data files not found\n",
                     files.stock.table.c_str());
        return 1;
    }
    // Every failing operation fails (default result) rather than asking, and
    // the last error's text goes into the message.
    std::string lastError;
    errors::ThreadHandlerScope failQuietly([&](errors::Error& e) -> errors::Action {
        lastError = e.description;
        if (!e.fileName.empty()) lastError += ": " + e.fileName;
        return errors::defaultOrUnwind(e);
    });
    TerminalProgress progress;
    inventory::RebuildReport report = inventory::rebuildIndexes(files, progress);
    if (report.result != inventory::ReindexResult::Done) {
        std::fprintf(stderr, "\nreindex: %s\n", report.message.c_str());
        if (!lastError.empty()) std::fprintf(stderr, "reindex: %s\n", lastError.c_str());
        return 1;
    }
    progress.finish();
    std::printf("%u records, indexes rebuilt: %s%s\n", report.count,
                platform::isFile(files.merch.table)
                    ? (files.sub.index + ", " + files.merch.index + ", ").c_str()
                    : "",
                files.stock.index.c_str());
    return 0;
}

}  // namespace tools
