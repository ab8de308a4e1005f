/* Preloaded with mmap_noreplace.c into the 32-bit Wine processes that qemu-user runs.
 *
 * A 32-bit Linux thread finds its data through a segment register: glibc's thread data through
 * %gs, and Wine's Windows thread block (TEB) through %fs, each a descriptor of the global table
 * (GDT) that set_thread_area sets for the calling thread alone. qemu-user 7.2 keeps one such
 * table for all threads of a process: every new thread overwrites the one descriptor all threads
 * share, and every return from a signal handler reloads %fs and %gs from it, as Wine's own
 * signal handlers do. A thread that has handled a signal then runs on the newest thread's TEB and
 * glibc data: it waits for the other thread's server replies (the file-open dialog, whose
 * helper threads and signals hang its caller for ever), and uses the other thread's errno, heap
 * cache and lock ownership.
 *
 * The local descriptor table (LDT) is one per process on Linux too, and qemu-user keeps it so:
 * a descriptor of its own there per thread survives every reload. Here
 *  - the GDT's free TLS descriptors are taken at start-up, so that Wine, finding none, gives
 *    each thread's TEB a descriptor of the LDT (as it does on kernels without set_thread_area),
 *    from entry 512 up, because %gs is already an LDT selector when it looks;
 *  - every thread's %gs gets a descriptor of the LDT below entry 512: the main thread's here,
 *    every other one's as it starts, through the pthread_create below; glibc itself creates a
 *    thread's descriptor from the creator's %gs, so the creator is back on its GDT descriptor,
 *    set to its own data, while glibc creates the thread.
 * Where the LDT cannot be set (a kernel without modify_ldt), nothing is changed.
 *
 * No C library headers, as in mmap_noreplace.c: libc's functions are found when the library is
 * loaded. */
#if defined(__i386__)

typedef unsigned int kv_size_t;
typedef unsigned int kv_key_t;
typedef struct { unsigned long words[32]; } kv_sigset_t;  /* glibc's sigset_t */

extern long syscall(long number, ...);
extern void *dlsym(void *handle, const char *name);
extern void *malloc(kv_size_t size);
extern void free(void *block);
extern int pthread_key_create(kv_key_t *key, void (*destructor)(void *));
extern int pthread_setspecific(kv_key_t key, const void *value);
extern int pthread_sigmask(int how, const kv_sigset_t *set, kv_sigset_t *old);
extern int sigfillset(kv_sigset_t *set);

#define KV_RTLD_NEXT ((void *)-1L)
#define KV_SYS_SCHED_YIELD 158
#define KV_SYS_MODIFY_LDT 123
#define KV_SYS_SET_THREAD_AREA 243
#define KV_LDT_WRITE 0x11
#define KV_SIG_SETMASK 2
#define KV_EAGAIN 11
/* LDT entries for %gs; Wine's TEB descriptors start at 512 when %gs is in the LDT. */
#define KV_FIRST_SLOT 1
#define KV_SLOTS 511

struct kv_user_desc {  /* the kernel's struct user_desc */
  unsigned int entry_number;
  unsigned int base_addr;
  unsigned int limit;
  unsigned int seg_32bit : 1;
  unsigned int contents : 2;
  unsigned int read_exec_only : 1;
  unsigned int limit_in_pages : 1;
  unsigned int seg_not_present : 1;
  unsigned int useable : 1;
};

typedef int (*kv_create_fn)(unsigned long *, const void *, void *(*)(void *), void *);

static kv_create_fn real_create;
static int active;
static unsigned short gdt_gs;          /* glibc's own %gs selector, in the GDT */
static kv_key_t slot_key;
static volatile unsigned char slot_taken[KV_SLOTS];
static volatile unsigned int slot_cursor;
static volatile int create_lock;

static unsigned short get_gs(void) {
  unsigned short value;
  __asm__ volatile("movw %%gs,%0" : "=r"(value));
  return value;
}

static void set_gs(unsigned short value) { __asm__ volatile("movw %0,%%gs" : : "r"(value)); }

/* glibc's thread data begins with a pointer to itself. */
static unsigned int thread_data(void) {
  unsigned int self;
  __asm__ volatile("movl %%gs:0,%0" : "=r"(self));
  return self;
}

/* A descriptor as glibc makes it for its thread data. */
static struct kv_user_desc data_descriptor(unsigned int entry, unsigned int base) {
  struct kv_user_desc desc = {0};
  desc.entry_number = entry;
  desc.base_addr = base;
  desc.limit = 0xfffff;
  desc.seg_32bit = 1;
  desc.limit_in_pages = 1;
  desc.useable = 1;
  return desc;
}

/* Round robin, so that the slot of a thread that just ended is the last to be taken again. */
static int take_slot(void) {
  for (unsigned int tries = 0; tries < KV_SLOTS; ++tries) {
    unsigned int index = __sync_fetch_and_add(&slot_cursor, 1) % KV_SLOTS;
    if (__sync_bool_compare_and_swap(&slot_taken[index], 0, 1)) return (int)index;
  }
  return -1;
}

static void release_slot(void *value) {
  int index = (int)(unsigned long)value - 1;
  if (index >= 0 && index < KV_SLOTS) __sync_lock_release(&slot_taken[index]);
}

/* Moves the calling thread's %gs to an LDT descriptor of its own; 0 when it cannot. */
static int own_gs(void) {
  int index = take_slot();
  if (index < 0) return 0;
  struct kv_user_desc desc = data_descriptor((unsigned int)(KV_FIRST_SLOT + index), thread_data());
  if (syscall(KV_SYS_MODIFY_LDT, KV_LDT_WRITE, &desc, sizeof desc) != 0) {
    release_slot((void *)(unsigned long)(index + 1));
    return 0;
  }
  set_gs((unsigned short)(((KV_FIRST_SLOT + index) << 3) | 7));
  if (active) pthread_setspecific(slot_key, (void *)(unsigned long)(index + 1));
  return 1;
}

__attribute__((constructor)) static void kv_thread_segments_init(void) {
  real_create = (kv_create_fn)dlsym(KV_RTLD_NEXT, "pthread_create");
  gdt_gs = get_gs();
  /* Only glibc's usual layout: %gs a GDT selector of thread data that points to itself. */
  if (!real_create || !gdt_gs || (gdt_gs & 4) || *(unsigned int *)thread_data() != thread_data()) return;
  if (pthread_key_create(&slot_key, release_slot) != 0) return;
  if (!own_gs()) return;
  active = 1;
  /* Take the free TLS descriptors of the GDT (at most three exist) so that Wine finds none. */
  for (int i = 0; i < 3; ++i) {
    struct kv_user_desc filler = {0};
    filler.entry_number = (unsigned int)-1;
    filler.seg_32bit = 1;
    if (syscall(KV_SYS_SET_THREAD_AREA, &filler) != 0) break;
  }
}

struct kv_start {
  void *(*routine)(void *);
  void *argument;
  kv_sigset_t mask;
};

static void *kv_thread_start(void *block) {
  /* Signals are blocked until here: %gs is still the descriptor glibc has just set for us. */
  struct kv_start start = *(struct kv_start *)block;
  free(block);
  own_gs();
  pthread_sigmask(KV_SIG_SETMASK, &start.mask, 0);
  return start.routine(start.argument);
}

int pthread_create(unsigned long *thread, const void *attributes, void *(*routine)(void *), void *argument) {
  if (!real_create) real_create = (kv_create_fn)dlsym(KV_RTLD_NEXT, "pthread_create");
  if (!real_create) return KV_EAGAIN;
  if (!active) return real_create(thread, attributes, routine, argument);

  struct kv_start *start = malloc(sizeof *start);
  if (!start) return KV_EAGAIN;
  start->routine = routine;
  start->argument = argument;
  /* No signal handler may reload %gs while it is the shared GDT descriptor, and the new thread
   * starts with every signal blocked; it restores the caller's mask itself. */
  kv_sigset_t all, caller;
  sigfillset(&all);
  pthread_sigmask(KV_SIG_SETMASK, &all, &caller);
  start->mask = caller;
  while (__sync_lock_test_and_set(&create_lock, 1)) syscall(KV_SYS_SCHED_YIELD);

  const unsigned short own = get_gs();
  struct kv_user_desc desc = data_descriptor(gdt_gs >> 3, thread_data());
  int result;
  if (syscall(KV_SYS_SET_THREAD_AREA, &desc) == 0) {
    set_gs(gdt_gs);
    result = real_create(thread, attributes, kv_thread_start, start);
    set_gs(own);
  } else {
    result = KV_EAGAIN;
  }

  __sync_lock_release(&create_lock);
  /* The new thread may have freed start already. */
  pthread_sigmask(KV_SIG_SETMASK, &caller, 0);
  if (result != 0) free(start);
  return result;
}

#endif
