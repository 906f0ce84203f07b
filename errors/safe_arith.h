#pragma once

// Division and remainder as the program's own arithmetic does them: by zero,
// the error (genCode 11, operation "/" or "%", args {a, b}) goes to the
// handler, and the result is 0 when it lets the operation take its default,
// which the default handler always does. An unwinding handler throws Unwind.
// Any thread (the progress bar's drawing thread uses them).
namespace errors {

double safeDivide(double a, double b);
double safeModulo(double a, double b);  // remainder with the sign of a, as fmod

}  // namespace errors
