// The own inflater on arbitrary data, in both variants. In plain deflate mode it must agree
// with zlib: the same bytes out, and success exactly when zlib succeeds.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ziparchive/codecs/inflater.h"

using namespace ziparchive;

namespace {
constexpr size_t kCap = 1u << 20;

std::string Decode(const uint8_t* data, size_t size, bool d64, int64_t& status) {
  MemoryInput in(data, size, 97);
  Inflater inf(in, d64);
  std::string out;
  std::vector<uint8_t> buf(32768);
  for (;;) {
    int64_t n = inf.Read(buf.data(), buf.size());
    status = n;
    if (n <= 0 || out.size() > kCap) break;
    out.append(reinterpret_cast<char*>(buf.data()), size_t(n));
  }
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int64_t s64 = 0, s8 = 0;
  Decode(data, size, true, s64);
  std::string mine = Decode(data, size, false, s8);
  if (mine.size() > kCap) return 0;

  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return 0;
  std::string ref(mine.size() + 65536, '\0');
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = uInt(size);
  z.next_out = reinterpret_cast<Bytef*>(ref.data());
  z.avail_out = uInt(ref.size());
  int rc = inflate(&z, Z_FINISH);
  ref.resize(z.total_out);
  inflateEnd(&z);
  if (rc == Z_STREAM_END) {
    if (s8 != 0 || mine != ref) abort();
  } else if (s8 == 0 && rc == Z_DATA_ERROR) {
    // zlib refuses some incomplete codes that the table decoder only trips over when used;
    // what both produced must still agree.
    if (ref.compare(0, ref.size(), mine, 0, ref.size()) != 0) abort();
  }
  return 0;
}
