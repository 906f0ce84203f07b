#pragma once

#include <ctime>

namespace platform {

// The calendar date and time of `when` in the local time zone (the system's
// setting, or the TZ variable where the C library reads one), as std::tm
// counts them: tm_year from 1900, tm_mon from 0. Every field is zero when the
// system cannot convert `when` (a time outside its calendar). Any thread.
std::tm localTime(std::time_t when);

}  // namespace platform
