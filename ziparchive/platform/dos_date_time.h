// DOS date/time, the form file times take in ZIP records and in the system's FAT calls.
#pragma once

#include <cstdint>

namespace ziparchive {

// DOS date/time: high word date, low word time, local time.
struct DosDateTime {
  int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
uint32_t PackDosDateTime(const DosDateTime& t);
DosDateTime UnpackDosDateTime(uint32_t value);

}  // namespace ziparchive
