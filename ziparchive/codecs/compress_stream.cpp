#include "ziparchive/codecs/compress_stream.h"

#include <zlib.h>

#include <limits>
#include <new>

namespace ziparchive {

namespace {
constexpr int kMemLevel = 8;
// deflate takes a uInt count; hand it large inputs in slices it can hold.
constexpr std::size_t kMaxSlice = std::numeric_limits<uInt>::max() / 2;
}  // namespace

TCompressStream::TCompressStream(OutStream& archive, int windowBits, int level,
                                 const volatile bool* cancel)
    : FArchive(&archive), FZ(new z_stream_s{}), FOut(new std::uint8_t[kOutBufferSize]),
      FCancel(cancel) {
  int rc = deflateInit2(FZ.get(), level, Z_DEFLATED, windowBits, kMemLevel, Z_DEFAULT_STRATEGY);
  if (rc == Z_MEM_ERROR) throw std::bad_alloc();
  if (rc != Z_OK) throw EZipWriteError("deflate cannot start");
  FZ->next_out = FOut.get();
  FZ->avail_out = kOutBufferSize;
  FArchivePos = FArchive->Position();
}

TCompressStream::~TCompressStream() { deflateEnd(FZ.get()); }

void TCompressStream::Restart(OutStream& archive) {
  FArchive = &archive;
  deflateReset(FZ.get());
  FZ->next_out = FOut.get();
  FZ->avail_out = kOutBufferSize;
  FArchivePos = FArchive->Position();
  FInputCount = FOutputCount = 0;
  FCrc = 0;
  FFinished = false;
}

void TCompressStream::FlushBuffer(std::size_t n) {
  if (n == 0) return;
  // The writer may have looked elsewhere in the archive meanwhile.
  if (FArchive->Position() != FArchivePos) FArchive->Seek(FArchivePos);
  FArchive->Write(FOut.get(), n);
  FArchivePos += n;
  FOutputCount += n;
  FZ->next_out = FOut.get();
  FZ->avail_out = kOutBufferSize;
}

long TCompressStream::Write(const void* data, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::size_t done = 0;
  while (done < count) {
    if (FCancel && *FCancel) break;
    std::size_t slice = count - done;
    if (slice > kMaxSlice) slice = kMaxSlice;
    FCrc = crc32(FCrc, p + done, static_cast<uInt>(slice));
    FZ->next_in = const_cast<Bytef*>(p + done);
    FZ->avail_in = static_cast<uInt>(slice);
    while (FZ->avail_in > 0) {
      deflate(FZ.get(), Z_NO_FLUSH);
      if (FZ->avail_out == 0) FlushBuffer(kOutBufferSize);
    }
    done += slice;
    FInputCount += slice;
  }
  return static_cast<long>(done);
}

void TCompressStream::Finish() {
  if (FFinished) return;
  for (;;) {
    int rc = deflate(FZ.get(), Z_FINISH);
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw EZipWriteError("deflate failed");
    // Z_FINISH stops only when the buffer is full; drain and go on.
    FlushBuffer(kOutBufferSize - FZ->avail_out);
  }
  FlushBuffer(kOutBufferSize - FZ->avail_out);
  FFinished = true;
}

}  // namespace ziparchive
