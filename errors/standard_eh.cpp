#include "errors/standard_eh.h"

#include <atomic>
#include <cmath>
#include <cstdio>

#include "core/display_state.h"
#include "core/xbase_values.h"
#include "errors/build_info.h"
#include "errors/error_log.h"
#include "errors/line_split.h"
#include "platform/dialogs.h"
#include "platform/fs.h"

namespace errors {
namespace {

std::atomic<DbSessionHook> g_sessionHook{nullptr};

constexpr int kResultOk = 1;
constexpr int kResultCancel = 2;
constexpr int kResultRetry = 4;
constexpr int kResultIgnore = 5;
constexpr int kResultYes = 6;
constexpr int kYesNo = 4;
constexpr int kStyleFlags = 65536 + 65536;

bool isDivisionByZero(const Error& e) {
    if (e.genCode == kGenZeroDiv) return true;
    if (e.genCode != kGenNumeric) return false;
    if (e.operation.find_first_of("/%") == std::string::npos) return false;
    if (!e.hasArgs || e.args.empty()) return false;
    const Value& last = e.args.back();
    return last.type == Value::Type::Numeric && last.number == 0;
}

// Step 2 of the dialogue: the database session's last error joins the cargo.
void takeSessionError(Error& e) {
    DbSessionHook hook = g_sessionHook.load();
    const DbSession* session = hook ? hook() : nullptr;
    if (!session) return;
    int number = session->getLastError();
    if (number == 0) return;
    e.cargo = Value::array({std::move(e.cargo), Value::numeric(number),
                            Value::character(session->getLastMessage())});
}

}  // namespace

DbSessionHook setDbSessionHook(DbSessionHook hook) { return g_sessionHook.exchange(hook); }

std::string programVersion() {
    return std::string(kProgramVersion) + "." + kProgramBuild;
}

std::string osMessage(int osCode) {
#ifndef _WIN32
    if (osCode == kOsSharingViolation) {
        return "The process cannot access the file because it is being used by another "
               "process.";
    }
#endif
    return platform::osErrorText(osCode);
}

Handler standardHandler(Services services) {
    return [services = std::move(services)](Error& e) { return StandardEH(e, services); };
}

void ErrorSys(Services services) { setHandler(standardHandler(std::move(services))); }

int iconStyle(int severity) {
    if (severity == 3 || severity == 2) return 16;
    if (severity == 1) return 48;
    return 64;
}

int buttonSet(bool canRetry, bool canDefault) {
    if (canDefault && canRetry) return 2;
    if (canRetry) return 5;
    if (canDefault) return 1;
    return 0;
}

Action StandardEH(Error& oError, const Services& services) {
    if (isDivisionByZero(oError)) return Action::Default;
    if (oError.genCode == kGenOpen && oError.osCode == kOsSharingViolation && oError.canDefault) {
        return Action::Default;
    }
    if (oError.genCode == kGenDefaultable && oError.canDefault) return Action::Default;

    takeSessionError(oError);
    std::string message = ErrorMessage(oError);
    if (oError.osCode != 0) {
        message += ";Operating system error : " + std::to_string(oError.osCode) + ";" +
                   (services.osText ? services.osText(oError.osCode) : osMessage(oError.osCode));
    }
    std::vector<Frame> frames =
        services.callStack ? services.callStack(oError) : resolveStack(oError.stack);
    for (const Frame& f : frames) message += ";" + calledFromLine(f);

    platform::Dialogs& dialogs = services.dialogs ? *services.dialogs : platform::dialogs();
    int result = dialogs.confirmBox(core::replaceAll(message, ";", "\r"), kErrorTitle,
                                    buttonSet(oError.canRetry, oError.canDefault),
                                    iconStyle(oError.severity) + kStyleFlags);
    switch (result) {
    case kResultRetry:
        return Action::Retry;
    case kResultIgnore:
        return Action::Default;
    case kResultCancel:
        if (dialogs.confirmBox("Exit with LOG file", kErrorTitle, kYesNo, 48 + kStyleFlags) !=
            kResultYes) {
            throw Unwind(oError);
        }
        break;
    default:  // OK, Abort, and anything else
        break;
    }
    ErrorLog(oError, 2, services);
    if (services.endProgram) services.endProgram(1);
    core::endProgram(1);
}

std::string ErrorMessage(const Error& oError) {
    std::string m = oError.severity > 1 ? "Error " : "Warning ";
    m += oError.subSystem.empty() ? "????" : oError.subSystem;
    m += "/" + std::to_string(oError.subCode);
    m += ";Description : " + oError.description;
    if (!oError.fileName.empty()) m += ";File : " + oError.fileName;
    if (!oError.operation.empty()) m += ";Operation : " + oError.operation;
    m += ";Thread ID : " + std::to_string(oError.thread);
    const Value& cargo = oError.cargo;
    if (cargo.type == Value::Type::Array && cargo.items.size() == 3) {
        if (cargo.items[0].type == Value::Type::Character) {
            m += ";" + LineSplit(cargo.items[0].text, 50);
        }
        m += ";" + LineSplit(valueText(cargo.items[2]), 50);
    }
    return m;
}

std::string valueText(const Value& value) {
    switch (value.type) {
    case Value::Type::Nil:
        return "NIL";
    case Value::Type::Logical:
        return value.logical ? ".T." : ".F.";
    case Value::Type::Numeric: {
        double n = value.number;
        if (std::isfinite(n) && n == std::trunc(n) && std::fabs(n) < 1e15) {
            return std::to_string(static_cast<long long>(n));
        }
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", n);
        return buf;
    }
    case Value::Type::Array: {
        std::string s = "{";
        for (std::size_t i = 0; i < value.items.size(); ++i) {
            if (i) s += ", ";
            s += valueText(value.items[i]);
        }
        return s + "}";
    }
    case Value::Type::Block:
        return "{|| ... }";
    default:  // Character, Date, Object (its class name)
        return value.text;
    }
}

}  // namespace errors
