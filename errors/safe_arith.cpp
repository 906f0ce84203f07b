#include "errors/safe_arith.h"

#include <cmath>

#include "errors/error.h"

namespace errors {
namespace {

void raiseZeroDivide(const char* operation, double a, double b) {
    Error e;
    e.genCode = kGenZeroDiv;
    e.subSystem = "BASE";
    e.subCode = 1340;
    e.severity = 2;
    e.description = "Zero divisor";
    e.operation = operation;
    e.hasArgs = true;
    e.args = {Value::numeric(a), Value::numeric(b)};
    e.canDefault = true;
    e.canSubstitute = true;
    raise(e);  // Default (result 0), or throws
}

}  // namespace

double safeDivide(double a, double b) {
    if (b == 0) {
        raiseZeroDivide("/", a, b);
        return 0;
    }
    return a / b;
}

double safeModulo(double a, double b) {
    if (b == 0) {
        raiseZeroDivide("%", a, b);
        return 0;
    }
    return std::fmod(a, b);
}

}  // namespace errors
