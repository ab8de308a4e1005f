/* Preloaded (LD_PRELOAD) into the 32-bit Wine processes that qemu-user runs on machines whose
 * kernel cannot run 32-bit programs itself. Built for i386 from this file; the x86_64 build is
 * empty, so that the 64-bit processes that see the same LD_PRELOAD load nothing.
 *
 * Wine's 32-bit loader reserves the Windows address space at start-up with
 * mmap(MAP_FIXED_NOREPLACE) and relies on the kernel's answer: the block where asked, or EEXIST.
 * qemu-user 7.2 does not know the flag and maps the block somewhere else instead. Wine then
 * keeps such blocks above 2 GiB and goes on to reserve the upper half of the address space in
 * 64 KiB steps, each step a failing mmap and a munmap under the emulator: some 65,000 of them,
 * 50 to 140 seconds at every start of a 32-bit program. With the kernel's answer restored
 * here, a 32-bit program starts in about a second.
 *
 * No C library headers: the i386 ones may be missing; libc's syscall() and errno are found
 * when the library is loaded. */
#if defined(__i386__)

typedef unsigned int kv_size_t;
typedef long long kv_off64_t;

#define KV_MAP_FIXED_NOREPLACE 0x100000
#define KV_MAP_FAILED ((void *)-1)
#define KV_SYS_MUNMAP 91
#define KV_SYS_MMAP2 192
#define KV_EINVAL 22
#define KV_EEXIST 17
#define KV_PAGE_MASK 0xfffLL

extern long syscall(long number, ...);
extern int *__errno_location(void);

static void *fail(int error) {
  *__errno_location() = error;
  return KV_MAP_FAILED;
}

static void *map(void *addr, kv_size_t length, int prot, int flags, int fd, kv_off64_t offset) {
  /* mmap2 counts the offset in pages: an offset inside a page is refused, as by mmap. */
  if (offset & KV_PAGE_MASK) return fail(KV_EINVAL);
  void *got = (void *)syscall(KV_SYS_MMAP2, addr, length, prot, flags, fd, (long)(offset >> 12));
  if (got != KV_MAP_FAILED && (flags & KV_MAP_FIXED_NOREPLACE) && addr && got != addr) {
    syscall(KV_SYS_MUNMAP, got, length);
    return fail(KV_EEXIST);
  }
  return got;
}

void *mmap64(void *addr, kv_size_t length, int prot, int flags, int fd, kv_off64_t offset) {
  return map(addr, length, prot, flags, fd, offset);
}

void *mmap(void *addr, kv_size_t length, int prot, int flags, int fd, long offset) {
  return map(addr, length, prot, flags, fd, offset);
}

#endif
