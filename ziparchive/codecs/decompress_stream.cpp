#include "ziparchive/codecs/decompress_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "ziparchive/codecs/inflater.h"

namespace ziparchive {

class TDecompressStream::ArchiveInput : public InputBuffer {
 public:
  explicit ArchiveInput(OsFile& file) : InputBuffer(65536), file_(file) {}

 protected:
  size_t Fill(uint8_t* buffer, size_t capacity) override {
    int64_t n = file_.Read(buffer, capacity);
    return n > 0 ? size_t(n) : 0;
  }

 private:
  OsFile& file_;
};

struct DecoderCache::ZlibState {
  z_stream strm{};
  bool open = false;
  ~ZlibState() {
    if (open) inflateEnd(&strm);
  }
};

DecoderCache::DecoderCache() = default;
DecoderCache::~DecoderCache() = default;

TDecompressStream::TDecompressStream(OsFile& archive, int windowBits, bool deflate64, const bool* cancelFlag)
    : FArchive(&archive), FCancel(cancelFlag), FDeflate64(deflate64) {
  FOwnedInput = std::make_unique<ArchiveInput>(archive);
  FInput = FOwnedInput.get();
  OpenDecoder(deflate64, windowBits);
}

TDecompressStream::TDecompressStream(InputBuffer& input, bool deflate64, DecoderCache* cache)
    : FInput(&input), FDeflate64(deflate64), FCache(cache) {
  OpenDecoder(deflate64, -15);
}

void TDecompressStream::OpenDecoder(bool deflate64, int windowBits) {
  if (deflate64) {
    if (FCache && FCache->inflater_) {
      FInflater = std::move(FCache->inflater_);
      FInflater->Restart(*FInput, true);
    } else {
      FInflater = std::make_unique<Inflater>(*FInput, true);
    }
    return;
  }
  if (FCache && FCache->zlib_ && FCache->zlib_->open && inflateReset(&FCache->zlib_->strm) == Z_OK) {
    FZlib = std::move(FCache->zlib_);
    // The reset keeps the pointers: input the last member left over is not this one's.
    FZlib->strm.next_in = nullptr;
    FZlib->strm.avail_in = 0;
    return;
  }
  FZlib = std::make_unique<ZlibState>();
  int rc = inflateInit2(&FZlib->strm, windowBits);
  FZlib->open = rc == Z_OK;
  if (!FZlib->open) FStatus = rc == Z_MEM_ERROR ? Z_MEM_ERROR : Z_STREAM_ERROR;
}

TDecompressStream::~TDecompressStream() { Destroy(); }

size_t TDecompressStream::UnusedInput() const {
  if (FInflater) return FInflater->UnusedInputBytes();
  size_t unused = FInput ? FInput->avail : 0;
  if (FZlib && FZlib->open) unused += FZlib->strm.avail_in;
  return unused;
}

void TDecompressStream::Destroy() {
  size_t unused = 0;
  if (FInflater)
    unused = FInflater->UnusedInputBytes();
  else if (FZlib && FZlib->open)
    unused = FZlib->strm.avail_in;
  if (FArchive && unused) {
    int64_t pos = FArchive->Position();
    if (pos >= int64_t(unused)) FArchive->Seek(uint64_t(pos) - unused);
  }
  if (FCache) {
    // Kept for the next member; a state that failed to open is not worth keeping.
    if (FInflater) FCache->inflater_ = std::move(FInflater);
    if (FZlib && FZlib->open) FCache->zlib_ = std::move(FZlib);
    if (FAhead) FCache->ahead_ = std::move(FAhead);
  }
  FInflater.reset();
  FZlib.reset();
}

int64_t TDecompressStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (offset == 0 && origin == soCurrent) return FProduced;
  return -1;
}

int64_t TDecompressStream::ReadZlib(uint8_t* out, size_t count) {
  z_stream& s = FZlib->strm;
  s.next_out = out;
  s.avail_out = uInt(count);
  while (s.avail_out > 0) {
    if (s.avail_in == 0) {
      if (FInput->avail == 0) FInput->Refill(count);
      s.next_in = const_cast<Bytef*>(FInput->next);
      s.avail_in = uInt(FInput->avail);
      FInput->next += FInput->avail;
      FInput->avail = 0;
    }
    uInt before = s.avail_out;
    bool noInput = s.avail_in == 0;
    int rc = inflate(&s, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) {
      FFinished = true;
      break;
    }
    if (rc == Z_OK) continue;
    if (rc == Z_BUF_ERROR && noInput && s.avail_out == before) {
      FStatus = Z_BUF_ERROR;
      break;
    }
    if (rc == Z_BUF_ERROR) continue;
    FStatus = (rc == Z_MEM_ERROR || rc == Z_STREAM_ERROR) ? rc : Z_DATA_ERROR;
    break;
  }
  size_t produced = count - s.avail_out;
  if (produced == 0 && FStatus) return FStatus;
  return int64_t(produced);
}

int64_t TDecompressStream::Decode(uint8_t* out, size_t count) {
  if (FFinished) return 0;
  int64_t n;
  if (FInflater) {
    n = FInflater->Read(out, count);
    if (n >= 0 && size_t(n) < count && FInflater->Finished()) FFinished = true;
  } else {
    if (!FZlib || !FZlib->open) return FStatus ? FStatus : Z_STREAM_ERROR;
    if (FStatus) return FStatus;
    n = ReadZlib(out, count);
  }
  return n;
}

int64_t TDecompressStream::Read(void* buffer, size_t count) {
  if (count == 0) return 0;
  int64_t n;
  if (FAheadAvail) {
    n = int64_t(std::min(count, FAheadAvail));
    memcpy(buffer, FAheadNext, size_t(n));
    FAheadNext += n;
    FAheadAvail -= size_t(n);
  } else {
    n = Decode(static_cast<uint8_t*>(buffer), count);
  }
  if (n > 0) FProduced += n;
  return n;
}

int64_t TDecompressStream::ReadView(size_t count, size_t ahead, const uint8_t*& data) {
  if (count == 0) return 0;
  if (FAheadAvail == 0) {
    if (!FAhead && FCache && FCache->ahead_) FAhead = std::move(FCache->ahead_);
    if (!FAhead) FAhead.reset(new uint8_t[kMaxAhead]);
    int64_t n = Decode(FAhead.get(), std::min(std::max(ahead, count), kMaxAhead));
    if (n <= 0) return n;
    FAheadNext = FAhead.get();
    FAheadAvail = size_t(n);
  }
  size_t n = std::min(count, FAheadAvail);
  data = FAheadNext;
  FAheadNext += n;
  FAheadAvail -= n;
  FProduced += int64_t(n);
  return int64_t(n);
}

}  // namespace ziparchive
