#include "ziparchive/platform/dos_date_time.h"

namespace ziparchive {

uint32_t PackDosDateTime(const DosDateTime& t) {
  uint32_t date = (uint32_t(t.year - 1980) << 9) | (uint32_t(t.month) << 5) | uint32_t(t.day);
  uint32_t time = (uint32_t(t.hour) << 11) | (uint32_t(t.minute) << 5) | uint32_t(t.second / 2);
  return (date << 16) | (time & 0xFFFF);
}

DosDateTime UnpackDosDateTime(uint32_t value) {
  DosDateTime t;
  uint32_t date = value >> 16, time = value & 0xFFFF;
  t.year = 1980 + int(date >> 9);
  t.month = int((date >> 5) & 15);
  t.day = int(date & 31);
  t.hour = int(time >> 11);
  t.minute = int((time >> 5) & 63);
  t.second = int(time & 31) * 2;
  return t;
}

}  // namespace ziparchive
