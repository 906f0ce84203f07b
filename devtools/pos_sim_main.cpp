// lumisett-pos-sim DATA_FOLDER [OPTIONS]: a busy point-of-sale on the data
// folder of a shop (devtools/pos_sim.h), until a time limit or a signal.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "devtools/pos_sim.h"

namespace {

const char kUsage[] =
    "usage: lumisett-pos-sim DATA_FOLDER [OPTIONS]\n"
    "Does to the shop's inventory tables what a busy point-of-sale does, until the\n"
    "time is up or SIGINT/SIGTERM, and journals every version of every record written.\n"
    "Actions, each at RATE times a second on average (default 0, at least one):\n"
    "  --rewrite RATE          rewrite a record whole under its record lock\n"
    "  --rewrite-pieces RATE   rewrite a record in two writes with a pause between\n"
    "  --append RATE           append a record, then bring its index up to date\n"
    "  --hold-index RATE       hold an index lock for a while\n"
    "  --exclusive RATE        open a table and its index exclusively for a while\n"
    "  --reindex RATE          rebuild an index in place under its lock\n"
    "  --replace RATE          write a table or an index beside it and rename it over\n"
    "  --delete RATE           take a table or an index away, write it again later\n"
    "Details:\n"
    "  --piece-pause S         pause between the pieces of a rewrite (default 0.2)\n"
    "  --hold-seconds S        how long --hold-index holds the lock (default 1)\n"
    "  --exclusive-seconds S   how long --exclusive keeps the files (default 1)\n"
    "  --gone-seconds S        how long --delete keeps a file away (default 0.5)\n"
    "  --index-update inplace|rename\n"
    "                          how --append updates the index (default inplace)\n"
    "  --tables LIST           tables to work on (default istock,imerch,isub)\n"
    "  --seconds S             stop after S seconds (default 0: until a signal)\n"
    "  --actions N             stop after N actions (default 0: no limit)\n"
    "  --seed N                seed of the random choices (default 1)\n"
    "  --journal FILE          CSV journal, appended to (default pos-sim-journal.csv):\n"
    "                          time,table,code,recno,version,description,price,action\n"
    "  --verbose               print each action's moments (time action phase table file recno)\n"
    "  --help                  this text\n"
    "Actions run one after another, as at one till: the pauses inside them delay\n"
    "the next. Run several simulators on one folder for several tills.\n"
    "Exit code: 0 when every action succeeded or found its file busy, 1 when one\n"
    "failed, 2 for bad arguments.\n";

std::atomic<bool> g_stop{false};

extern "C" void onSignal(int) { g_stop = true; }

int usageError(const std::string& message) {
    std::fprintf(stderr, "lumisett-pos-sim: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// A whole number or decimal, nothing else.
bool parseNumber(const char* text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return *text && end && *end == '\0' && std::isfinite(*value);
}

}  // namespace

int main(int argc, char** argv) {
    using devtools::PosAction;
    devtools::PosSimConfig config;
    std::string journal = "pos-sim-journal.csv";
    double seconds = 0, actions = 0;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--verbose") {
            verbose = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            if (!config.dataFolder.empty()) return usageError("more than one data folder: " + arg);
            config.dataFolder = arg;
            continue;
        }
        if (i + 1 >= argc) return usageError(arg + " needs a value");
        const char* value = argv[++i];
        double number = 0;
        bool numeric = parseNumber(value, &number);
        int action = -1;
        for (int a = 0; a < devtools::kPosActionCount; ++a) {
            if (arg == std::string("--") + devtools::actionName(PosAction(a))) action = a;
        }
        if (action >= 0 && numeric && number >= 0 && number <= 10000) {
            config.rates[action] = number;
        } else if (action >= 0) {
            return usageError(arg + " takes a rate from 0 to 10000 per second, not " + value);
        } else if (arg == "--piece-pause" || arg == "--hold-seconds" || arg == "--exclusive-seconds" ||
                   arg == "--gone-seconds" || arg == "--seconds") {
            if (!numeric || number < 0 || number > 86400) {
                return usageError(arg + " takes 0 to 86400 seconds, not " + value);
            }
            double* target = arg == "--piece-pause"         ? &config.piecePause
                             : arg == "--hold-seconds"      ? &config.holdSeconds
                             : arg == "--exclusive-seconds" ? &config.exclusiveSeconds
                             : arg == "--gone-seconds"      ? &config.goneSeconds
                                                            : &seconds;
            *target = number;
        } else if (arg == "--actions" || arg == "--seed") {
            if (!numeric || number < 0 || number != std::floor(number) || number > 1e15) {
                return usageError(arg + " takes a whole number, not " + value);
            }
            if (arg == "--actions") actions = number;
            else config.seed = std::uint64_t(number);
        } else if (arg == "--index-update") {
            if (std::strcmp(value, "inplace") == 0) config.indexUpdate = devtools::IndexUpdate::InPlace;
            else if (std::strcmp(value, "rename") == 0) config.indexUpdate = devtools::IndexUpdate::Rename;
            else return usageError("--index-update takes inplace or rename, not " + std::string(value));
        } else if (arg == "--tables") {
            config.tables.clear();
            std::string list = value;
            for (std::size_t start = 0; start <= list.size();) {
                std::size_t comma = std::min(list.find(',', start), list.size());
                config.tables.push_back(list.substr(start, comma - start));
                start = comma + 1;
            }
        } else if (arg == "--journal") {
            journal = value;
        } else {
            return usageError("unknown option " + arg);
        }
    }
    if (config.dataFolder.empty()) return usageError("no data folder given");
    bool anyRate = false;
    for (double r : config.rates) anyRate = anyRate || r > 0;
    if (!anyRate) return usageError("no action chosen: give at least one action a rate");

    std::unique_ptr<devtools::PosSim> sim;
    platform::Status st = devtools::PosSim::open(config, journal, &g_stop, &sim);
    if (!st.isOk()) {
        int code = st.code() == platform::Status::Code::Invalid ? 2 : 1;
        std::fprintf(stderr, "lumisett-pos-sim: %s%s%s\n", st.file().c_str(),
                     st.file().empty() ? "" : ": ", st.message().c_str());
        return code;
    }
    if (verbose) {
        sim->setObserver([](const devtools::PosEvent& e) {
            std::printf("%.6f %s %s %s %s %u\n",
                        std::chrono::duration<double>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count(),
                        devtools::actionName(e.action), e.phase.c_str(), e.table.c_str(),
                        e.file.empty() ? "-" : e.file.c_str(), unsigned(e.recno));
            std::fflush(stdout);
        });
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    sim->runSchedule(seconds, std::uint64_t(actions));

    const devtools::PosCounts& counts = sim->counts();
    std::uint64_t failed = 0;
    for (int a = 0; a < devtools::kPosActionCount; ++a) {
        if (config.rates[a] == 0) continue;
        std::printf("%-15s %8llu done %6llu busy %6llu failed\n", devtools::actionName(PosAction(a)),
                    (unsigned long long)counts.done[a], (unsigned long long)counts.busy[a],
                    (unsigned long long)counts.failed[a]);
        failed += counts.failed[a];
    }
    return failed == 0 ? 0 : 1;
}
