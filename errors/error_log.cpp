#include "errors/error_log.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/dialogs.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/local_time.h"
#include "platform/system_info.h"
#include "tables/dbe.h"

namespace errors {
namespace {

constexpr int kMaxNames = 1000;  // "LOG", then "001" to "999"

const std::string kRule(78, '-');

std::string label(const std::string& name) {
    std::string s = name;
    s.resize(20, ' ');
    return s + ":";
}

std::string typeCode(Value::Type type) {
    switch (type) {
    case Value::Type::Character: return "C";
    case Value::Type::Numeric: return "N";
    case Value::Type::Logical: return "L";
    case Value::Type::Date: return "D";
    case Value::Type::Array: return "A";
    case Value::Type::Object: return "O";
    case Value::Type::Block: return "B";
    default: return "U";
    }
}

std::string argumentLine(const Value& v) {
    std::string s = std::string(10, ' ') + "-> VALTYPE: " + typeCode(v.type);
    if (v.type == Value::Type::Object) return s + " CLASS: " + v.text;
    return s + " VALUE: " + valueText(v);
}

std::string two(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n % 100);
    return buf;
}

// `t` in `format`: "yyyy", "yy", "mm" and "dd" replaced, anything else kept.
std::string dateText(const std::tm& t, const std::string& format) {
    std::string out;
    for (std::size_t i = 0; i < format.size();) {
        std::string_view rest = std::string_view(format).substr(i);
        if (rest.starts_with("yyyy")) {
            out += std::to_string(t.tm_year + 1900);
            i += 4;
        } else if (rest.starts_with("yy")) {
            out += two(t.tm_year + 1900);
            i += 2;
        } else if (rest.starts_with("mm")) {
            out += two(t.tm_mon + 1);
            i += 2;
        } else if (rest.starts_with("dd")) {
            out += two(t.tm_mday);
            i += 2;
        } else {
            out += format[i++];
        }
    }
    return out;
}

std::tm localNow() {
    using std::chrono::system_clock;
    return platform::localTime(system_clock::to_time_t(system_clock::now()));
}

std::string pathIn(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}

}  // namespace

[[noreturn]] void endWith(const Services& services, int code) {
    if (services.endProgram) services.endProgram(code);
    std::fflush(nullptr);
    std::_Exit(code);
}

std::string errorLogName(int n) {
    if (n == 0) return "KRLERROR.LOG";
    char ext[8];
    std::snprintf(ext, sizeof ext, "%03d", n);
    return std::string("KRLERROR.") + ext;
}

std::string errorLogText(const Error& oError, int nLevel, const Services& services) {
    std::vector<std::string> lines;
    std::string program = services.programPath ? services.programPath() : platform::programPath();
    std::tm t = services.now ? services.now() : localNow();
    lines.push_back("");
    lines.push_back(kRule);
    // The date in the format the engine set-up (DbeSys) chose.
    lines.push_back("ERROR LOG of \"" + program + "\" Date: " + dateText(t, tables::dateFormat()) +
                    " " + two(t.tm_hour) + ":" + two(t.tm_min) + ":" + two(t.tm_sec));
    lines.push_back("");
    lines.push_back(label("Kestrel version") + " " +
                    (services.version.empty() ? programVersion() : services.version));
    lines.push_back(label("Operating system") + " " +
                    (services.osName.empty() ? platform::osDescription() : services.osName));
    lines.push_back(kRule);
    lines.push_back(label("oError:args"));
    if (!oError.hasArgs) {
        lines.push_back(std::string(11, ' ') + "-> NIL");
    } else {
        for (const Value& v : oError.args) lines.push_back(argumentLine(v));
    }
    auto field = [&](const char* name, const std::string& value) {
        lines.push_back(label(std::string("oError:") + name) + " " + value);
    };
    auto logical = [](bool b) { return std::string(b ? ".T." : ".F."); };
    field("canDefault", logical(oError.canDefault));
    field("canRetry", logical(oError.canRetry));
    field("canSubstitute", logical(oError.canSubstitute));
    field("cargo", valueText(oError.cargo));
    field("description", oError.description);
    field("filename", oError.fileName);
    field("genCode", std::to_string(oError.genCode));
    field("operation", oError.operation);
    field("osCode", std::to_string(oError.osCode));
    field("severity", std::to_string(oError.severity));
    field("subCode", std::to_string(oError.subCode));
    field("subSystem", oError.subSystem.value_or("NIL"));
    field("thread", std::to_string(oError.thread));
    field("tries", std::to_string(oError.tries));
    lines.push_back(kRule);
    lines.push_back("CALLSTACK:");
    lines.push_back(kRule);
    std::vector<Frame> frames =
        services.callStack ? services.callStack(oError) : resolveStack(oError.stack);
    // frames[0] is level 3 seen from here (1: the handler, 2: its block).
    std::size_t first = nLevel > 2 ? std::size_t(nLevel - 2) : 0;
    for (std::size_t i = first; i < frames.size(); ++i) lines.push_back(calledFromLine(frames[i]));
    lines.push_back("");

    std::string text;
    for (const std::string& line : lines) text += "\r\n" + line;
    return text;
}

namespace {

platform::OpenMode logOpen(platform::Disposition disposition) {
    return {platform::Access::ReadWrite, platform::Share::Exclusive, disposition,
            /*followLinks=*/false};
}

}  // namespace

void ErrorLog(const Error& oError, int nLevel, const Services& services) {
    platform::Dialogs& dialogs = services.dialogs ? *services.dialogs : platform::dialogs();
    const std::string text = errorLogText(oError, nLevel, services);
    // Nothing here raises an error: the log is written on the way out after
    // an error, and a handler called from here would come back here.
    for (int n = 0; n < kMaxNames; ++n) {
        const std::string name = errorLogName(n);
        const std::string path = pathIn(services.logFolder, name);
        // A name that cannot be used is skipped for the next, silently: a
        // read-only file, one held open elsewhere, a folder, a FIFO, a device
        // and a symbolic link, which is not followed to wherever it points. A
        // free name is taken by creating the file, which fails where anything
        // at all is (a FIFO, a device, a dangling link).
        std::unique_ptr<platform::File> file;
        platform::Status st = platform::openFile(path, logOpen(platform::Disposition::Existing), &file);
        bool created = false;
        if (st.code() == platform::Status::Code::NotFound) {
            st = platform::openFile(path, logOpen(platform::Disposition::CreateNew), &file);
            created = st.isOk();
        }
        if (!st.isOk()) continue;
        file.reset();
        // Written beside the name and put in its place once every byte is on
        // the disk, so a failing disk leaves an earlier log as it was.
        if (platform::writeFileAtomic(path, text).isOk()) {
            dialogs.messageBox("Error log was written to the file " + name);
            return;
        }
        // The disk took the name but not the log (full, failing): every other
        // name is on the same disk.
        if (created) static_cast<void>(platform::removeFile(path));
        break;
    }
    dialogs.messageBox("Unable to open error log file");
    endWith(services, 1);
}

}  // namespace errors
