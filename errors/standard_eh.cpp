#include "errors/standard_eh.h"

#include <cmath>
#include <cstdio>
#include <mutex>

#include "core/xbase_values.h"
#include "errors/build_info.h"
#include "errors/error_log.h"
#include "errors/line_split.h"
#include "errors/recovery.h"
#include "platform/dialogs.h"
#include "platform/fs.h"

namespace errors {
namespace {

bool isDivisionByZero(const Error& e) {
    if (e.genCode == kGenZeroDiv) return true;
    if (e.genCode != kGenNumeric) return false;
    if (e.operation.find_first_of("/%") == std::string::npos) return false;
    if (!e.hasArgs || e.args.empty()) return false;
    const Value& last = e.args.back();
    return last.type == Value::Type::Numeric && last.number == 0;
}

std::mutex g_servicesMutex;
Services g_services;  // as ErrorSys installed them

}  // namespace

Services setInstalledServices(Services services) {
    std::lock_guard lock(g_servicesMutex);
    std::swap(g_services, services);
    return services;
}

[[noreturn]] void endUnrecovered(const Error& error) {
    Services services;
    {
        std::lock_guard lock(g_servicesMutex);
        services = g_services;
    }
    ErrorLog(error, 2, services);
    endWith(services, 1);
}

std::string programVersion() {
    return std::string(kProgramVersion) + "." + kProgramBuild;
}

std::string osMessage(int osCode) {
    if (osCode == kOsSharingViolation) return platform::sharingViolationText();
    return platform::osErrorText(osCode);
}

Handler standardHandler(Services services) {
    return [services = std::move(services)](Error& e) { return StandardEH(e, services); };
}

void ErrorSys(Services services) {
    setInstalledServices(services);
    setHandler(standardHandler(std::move(services)));
}

platform::Icon errorIcon(int severity) {
    if (severity == 3 || severity == 2) return platform::Icon::Stop;
    if (severity == 1) return platform::Icon::Warning;
    return platform::Icon::Information;
}

platform::Buttons errorButtons(bool canRetry, bool canDefault) {
    using platform::Buttons;
    if (canDefault && canRetry) return Buttons::AbortRetryIgnore;
    if (canRetry) return Buttons::RetryCancel;
    if (canDefault) return Buttons::OkCancel;
    return Buttons::Ok;
}

Action StandardEH(Error& oError, const Services& services) {
    if (isDivisionByZero(oError)) return Action::Default;
    if (oError.genCode == kGenOpen && oError.osCode == kOsSharingViolation && oError.canDefault) {
        return Action::Default;
    }
    if (oError.genCode == kGenDefaultable && oError.canDefault) return Action::Default;

    std::string message = ErrorMessage(oError);
    if (oError.osCode != 0) {
        message += ";Operating system error : " + std::to_string(oError.osCode) + ";" +
                   (services.osText ? services.osText(oError.osCode) : osMessage(oError.osCode));
    }
    std::vector<Frame> frames =
        services.callStack ? services.callStack(oError) : resolveStack(oError.stack);
    for (const Frame& f : frames) message += ";" + calledFromLine(f);

    platform::Dialogs& dialogs = services.dialogs ? *services.dialogs : platform::dialogs();
    using platform::Answer;
    // The boxes come to the front: the error may come from a thread whose
    // window is not the active one.
    Answer answer = dialogs.confirmBox(core::replaceAll(message, ";", "\r"), kErrorTitle,
                                       errorButtons(oError.canRetry, oError.canDefault),
                                       {errorIcon(oError.severity), 0, true});
    switch (answer) {
    case Answer::Retry:
        return Action::Retry;
    case Answer::Ignore:
        return Action::Default;
    case Answer::Cancel:
        if (dialogs.confirmBox("Exit with LOG file", kErrorTitle, platform::Buttons::YesNo,
                               {platform::Icon::Warning, 0, true}) != Answer::Yes) {
            throw Unwind(oError);
        }
        break;
    default:  // OK, Abort, and anything else
        break;
    }
    ErrorLog(oError, 2, services);
    endWith(services, 1);
}

std::string ErrorMessage(const Error& oError) {
    std::string m = oError.severity > 1 ? "Error " : "Warning ";
    m += oError.subSystem.value_or("????");
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
