// The local time zone: a moment broken down into the calendar and the clock
// of this machine's time zone, which only the system knows. The C library's
// std::localtime shares one result between threads; these calls do not.
#ifndef ZARVEK_PLATFORM_LOCAL_TIME_H_
#define ZARVEK_PLATFORM_LOCAL_TIME_H_

#include <ctime>

namespace zarvek {

/// `when` broken down in the local time zone into `*local`. False, with
/// `*local` zeroed, when the system cannot (a moment out of its range).
/// Safe to call from several threads at once.
bool LocalTime(std::time_t when, std::tm* local);

}  // namespace zarvek

#endif  // ZARVEK_PLATFORM_LOCAL_TIME_H_
