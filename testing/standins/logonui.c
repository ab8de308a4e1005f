/* Stand-in for the system's logon host: only its resources matter to the programs under test. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
  (void)instance; (void)previous; (void)command; (void)show;
  return 0;
}
