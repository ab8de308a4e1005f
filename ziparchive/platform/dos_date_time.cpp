#include "ziparchive/platform/dos_date_time.h"

namespace ziparchive {

uint32_t PackDosDateTime(const DosDateTime& t) {
  uint32_t date = (uint32_t(t.Year - 1980) << 9) | (uint32_t(t.Month) << 5) | uint32_t(t.Day);
  uint32_t time = (uint32_t(t.Hour) << 11) | (uint32_t(t.Minute) << 5) | uint32_t(t.Second / 2);
  return (date << 16) | (time & 0xFFFF);
}

DosDateTime UnpackDosDateTime(uint32_t value) {
  DosDateTime t;
  uint32_t date = value >> 16, time = value & 0xFFFF;
  t.Year = 1980 + int(date >> 9);
  t.Month = int((date >> 5) & 15);
  t.Day = int(date & 31);
  t.Hour = int(time >> 11);
  t.Minute = int((time >> 5) & 63);
  t.Second = int(time & 31) * 2;
  return t;
}

}  // namespace ziparchive
