/* The few C runtime functions the shipping stub's code uses (the C++ library, the ZIP engine
   and zlib inside it), on kernel32 alone: the stub imports no runtime DLL, which Windows XP
   would look for in the download folder first. Nothing here is exported; the linker takes
   these where the runtime's would be. */
#include <windows.h>

#include <stdarg.h>
#include <stddef.h>

/* The C++ library asks whether threads run (they do not; its locks work either way). */
int _CRT_MT = 2;

void* malloc(size_t size) {
  return HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
}
void free(void* p) {
  if (p) HeapFree(GetProcessHeap(), 0, p);
}
void* calloc(size_t count, size_t size) {
  if (size && count > (size_t)-1 / size) return NULL;
  const size_t bytes = count * size;
  return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1);
}
void* realloc(void* p, size_t size) {
  if (!p) return malloc(size);
  if (!size) {
    free(p);
    return NULL;
  }
  return HeapReAlloc(GetProcessHeap(), 0, p, size);
}

void* memcpy(void* to, const void* from, size_t count) {
  void* d = to;
  __asm__ volatile("rep movsb" : "+D"(d), "+S"(from), "+c"(count) : : "memory");
  return to;
}
void* memmove(void* to, const void* from, size_t count) {
  unsigned char* d = (unsigned char*)to;
  const unsigned char* s = (const unsigned char*)from;
  if (d <= s || d >= s + count) return memcpy(to, from, count);
  while (count--) d[count] = s[count];
  return to;
}
void* memset(void* to, int value, size_t count) {
  void* d = to;
  __asm__ volatile("rep stosb" : "+D"(d), "+c"(count) : "a"(value) : "memory");
  return to;
}
int memcmp(const void* a, const void* b, size_t count) {
  const unsigned char *x = (const unsigned char*)a, *y = (const unsigned char*)b;
  for (; count; --count, ++x, ++y)
    if (*x != *y) return *x - *y;
  return 0;
}
void* memchr(const void* p, int value, size_t count) {
  const unsigned char* s = (const unsigned char*)p;
  for (; count; --count, ++s)
    if (*s == (unsigned char)value) return (void*)s;
  return NULL;
}
size_t strlen(const char* s) {
  const char* p = s;
  while (*p) ++p;
  return (size_t)(p - s);
}
int strcmp(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return (unsigned char)*a - (unsigned char)*b;
}
int strncmp(const char* a, const char* b, size_t count) {
  for (; count; --count, ++a, ++b) {
    if (*a != *b) return (unsigned char)*a - (unsigned char)*b;
    if (!*a) return 0;
  }
  return 0;
}
size_t wcslen(const wchar_t* s) {
  const wchar_t* p = s;
  while (*p) ++p;
  return (size_t)(p - s);
}
int wcscmp(const wchar_t* a, const wchar_t* b) {
  while (*a && *a == *b) ++a, ++b;
  return (int)*a - (int)*b;
}
wint_t towupper(wint_t c) {
  return c >= L'a' && c <= L'z' ? (wint_t)(c - 32) : c;
}

/* The library's last resorts: end the process. */
void abort(void) {
  TerminateProcess(GetCurrentProcess(), 3);
  for (;;) {
  }
}
/* Nothing is run at exit: the stub ends with ExitProcess. */
int atexit(void (*function)(void)) {
  (void)function;
  return 0;
}

static int errorNumber;
int* _errno(void) {
  return &errorNumber;
}
int* (*_imp___errno)(void) = _errno;

/* Messages of a failed assertion or an uncaught exception go nowhere: the stub has no console.
   (No runtime header is included, so the streams are plain pointers here.) */
static char streams[3][64];
void* __acrt_iob_func(unsigned index) {
  return streams[index < 3 ? index : 0];
}
void* (*_imp____acrt_iob_func)(unsigned) = __acrt_iob_func;
size_t fwrite(const void* p, size_t size, size_t count, void* stream) {
  (void)p, (void)size, (void)stream;
  return count;
}
int fputs(const char* s, void* stream) {
  (void)s, (void)stream;
  return 0;
}
int fputc(int c, void* stream) {
  (void)stream;
  return c;
}
/* Only the names in an uncaught exception's message are formatted with it. */
int __mingw_vsprintf(char* buffer, const char* format, va_list arguments) {
  (void)format, (void)arguments;
  if (buffer) *buffer = 0;
  return 0;
}

/* The C++ library's random numbers (the engine's encryption headers, which the stub never
   writes) come from the system's random source; there are no files to read them from. */
extern BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);
int rand_s(unsigned int* value) {
  return SystemFunction036(value, sizeof *value) ? 0 : 22;
}
int (*_imp__rand_s)(unsigned int*) = rand_s;
int read(int file, void* buffer, unsigned int count) {
  (void)file, (void)buffer, (void)count;
  return -1;
}
int close(int file) {
  (void)file;
  return -1;
}

/* The C++ library's thread-local keys: their destructors need no registration when the
   process has one thread. */
int __mingwthr_key_dtor(unsigned long key, void (*destructor)(void*)) {
  (void)key, (void)destructor;
  return 0;
}
