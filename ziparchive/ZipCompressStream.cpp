#include "compress_stream.h"

#include <zlib.h>

#include <limits>
#include <new>

namespace {
constexpr int kMemLevel = 8;
// deflate takes a uInt count; hand it large inputs in slices it can hold.
constexpr std::size_t kMaxSlice = std::numeric_limits<uInt>::max() / 2;
}  // namespace

TCompressStream::TCompressStream(TOutStream& archive, int windowBits, int level,
                                 const volatile bool* cancel)
    : archive_(archive), z_(new z_stream_s{}), out_(new std::uint8_t[kOutBufferSize]),
      cancel_(cancel) {
  int rc = deflateInit2(z_.get(), level, Z_DEFLATED, windowBits, kMemLevel, Z_DEFAULT_STRATEGY);
  if (rc == Z_MEM_ERROR) throw std::bad_alloc();
  if (rc != Z_OK) throw EZipWriteError("deflate cannot start");
  z_->next_out = out_.get();
  z_->avail_out = kOutBufferSize;
  archivePos_ = archive_.Position();
}

TCompressStream::~TCompressStream() { deflateEnd(z_.get()); }

void TCompressStream::Restart() {
  deflateReset(z_.get());
  z_->next_out = out_.get();
  z_->avail_out = kOutBufferSize;
  archivePos_ = archive_.Position();
  inputCount_ = outputCount_ = 0;
  crc_ = 0;
  finished_ = false;
}

void TCompressStream::FlushBuffer(std::size_t n) {
  if (n == 0) return;
  // The writer may have looked elsewhere in the archive meanwhile.
  if (archive_.Position() != archivePos_) archive_.Seek(archivePos_);
  archive_.Write(out_.get(), n);
  archivePos_ += n;
  outputCount_ += n;
  z_->next_out = out_.get();
  z_->avail_out = kOutBufferSize;
}

long TCompressStream::Write(const void* data, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::size_t done = 0;
  while (done < count) {
    if (cancel_ && *cancel_) break;
    std::size_t slice = count - done;
    if (slice > kMaxSlice) slice = kMaxSlice;
    crc_ = crc32(crc_, p + done, static_cast<uInt>(slice));
    z_->next_in = const_cast<Bytef*>(p + done);
    z_->avail_in = static_cast<uInt>(slice);
    while (z_->avail_in > 0) {
      deflate(z_.get(), Z_NO_FLUSH);
      if (z_->avail_out == 0) FlushBuffer(kOutBufferSize);
    }
    done += slice;
    inputCount_ += slice;
  }
  return static_cast<long>(done);
}

void TCompressStream::Finish() {
  if (finished_) return;
  for (;;) {
    int rc = deflate(z_.get(), Z_FINISH);
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw EZipWriteError("deflate failed");
    // Z_FINISH stops only when the buffer is full; drain and go on.
    FlushBuffer(kOutBufferSize - z_->avail_out);
  }
  FlushBuffer(kOutBufferSize - z_->avail_out);
  finished_ = true;
}
