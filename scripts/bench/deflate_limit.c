/* deflate_limit LIST ROOT - the packing speed limit: every file of LIST (relative to ROOT)
   loaded into memory first, then raw deflate level 6, memory level 8, plus CRC-32, with one
   deflate state reset per file. Prints the compression time in seconds and the sizes. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <zlib.h>

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

int main(int argc, char **argv) {
  if (argc != 3) return 2;
  FILE *list = fopen(argv[1], "r");
  if (!list) return 1;
  size_t count = 0, cap = 1024, total = 0, maxSize = 0;
  unsigned char **data = malloc(cap * sizeof *data);
  size_t *sizes = malloc(cap * sizeof *sizes);
  char line[4096], path[8192];
  while (fgets(line, sizeof line, list)) {
    line[strcspn(line, "\n")] = 0;
    snprintf(path, sizeof path, "%s/%s", argv[2], line);
    FILE *f = fopen(path, "rb");
    if (!f) return 1;
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fseek(f, 0, SEEK_SET);
    if (count == cap) {
      cap *= 2;
      data = realloc(data, cap * sizeof *data);
      sizes = realloc(sizes, cap * sizeof *sizes);
    }
    data[count] = malloc(n ? n : 1);
    if (n && fread(data[count], 1, n, f) != (size_t)n) return 1;
    fclose(f);
    sizes[count++] = n;
    total += n;
    if ((size_t)n > maxSize) maxSize = n;
  }
  z_stream z;
  memset(&z, 0, sizeof z);
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  size_t outCap = deflateBound(&z, maxSize) + 64;
  unsigned char *out = malloc(outCap);
  size_t packed = 0;
  unsigned long crc = 0;
  double t0 = now();
  for (size_t i = 0; i < count; ++i) {
    deflateReset(&z);
    z.next_in = data[i];
    z.avail_in = (uInt)sizes[i];
    z.next_out = out;
    z.avail_out = (uInt)outCap;
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) return 1;
    packed += z.total_out;
    crc ^= crc32(0, data[i], (uInt)sizes[i]);
  }
  double t = now() - t0;
  printf("%.6f %zu %zu %lx\n", t, total, packed, crc);
  return 0;
}
