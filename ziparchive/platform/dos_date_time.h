// DOS date/time, the form file times take in ZIP records and in the system's FAT calls.
#pragma once

#include <cstdint>

namespace ziparchive {

// DOS date/time: high word date, low word time, local time.
struct DosDateTime {
  int Year = 1980, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
};
uint32_t PackDosDateTime(const DosDateTime& t);
DosDateTime UnpackDosDateTime(uint32_t value);

}  // namespace ziparchive
