// SYSTEMTIME as Win32 lays it out: a calendar date and time of day in UTC,
// field for field. Plain data; nothing here reads a clock.
#pragma once

#include <cstdint>

namespace platform::win32 {

struct SYSTEMTIME {
    std::uint16_t wYear = 1601;    // 1601..30827
    std::uint16_t wMonth = 1;      // 1..12
    std::uint16_t wDayOfWeek = 0;  // 0 = Sunday; ignored by conversions
    std::uint16_t wDay = 1;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

}  // namespace platform::win32
