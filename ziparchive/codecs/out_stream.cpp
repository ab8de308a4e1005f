#include "ziparchive/codecs/out_stream.h"

#include <algorithm>
#include <cstring>

namespace ziparchive {

void TMemoryOutStream::Write(const void* data, std::size_t n) {
  if (n == 0) return;
  std::size_t end = static_cast<std::size_t>(FPos) + n;
  if (end > FBytes.size()) FBytes.resize(end);
  std::memcpy(FBytes.data() + FPos, data, n);
  FPos = end;
}

void TMemoryOutStream::Seek(std::uint64_t pos) {
  if (pos > FBytes.size()) throw EZipWriteError("seek past the end of a memory stream");
  FPos = pos;
}

TFileOutStream::TFileOutStream(TOsFile file)
    : FFile(std::move(file)), FBuf(new std::uint8_t[kBufferSize]) {}

// Whatever is still buffered belongs to an output being thrown away (Close was not reached).
TFileOutStream::~TFileOutStream() = default;

void TFileOutStream::WriteThrough(std::uint64_t at, const void* data, std::size_t n) {
  if (!FFile.Seek(at)) throw EZipWriteError("cannot position the output file");
  bool diskFull = false;
  if (FFile.Write(data, n, &diskFull) != n) throw EZipWriteError("cannot write the output file", diskFull);
}

void TFileOutStream::Flush() {
  if (FBufLen == 0) return;
  std::size_t n = FBufLen;
  FBufLen = 0;  // a failed flush leaves nothing worth retrying
  WriteThrough(FBufStart, FBuf.get(), n);
}

void TFileOutStream::Write(const void* data, std::size_t n) {
  if (n == 0) return;
  bool inWindow = FPos >= FBufStart && FPos <= FBufStart + FBufLen &&
                  FPos + n <= FBufStart + kBufferSize;
  if (FBufLen == 0) {
    FBufStart = FPos;
    inWindow = n <= kBufferSize;
  }
  if (inWindow) {
    std::size_t at = static_cast<std::size_t>(FPos - FBufStart);
    std::memcpy(FBuf.get() + at, data, n);
    FBufLen = std::max(FBufLen, at + n);
  } else {
    Flush();
    if (n >= kBufferSize / 2) {
      WriteThrough(FPos, data, n);
    } else {
      FBufStart = FPos;
      std::memcpy(FBuf.get(), data, n);
      FBufLen = n;
    }
  }
  FPos += n;
  FSize = std::max(FSize, FPos);
}

void TFileOutStream::Seek(std::uint64_t pos) {
  if (pos > FSize) throw EZipWriteError("seek past the end of the output file");
  FPos = pos;
}

void TFileOutStream::Close() {
  Flush();
  if (!FFile.Close()) throw EZipWriteError("cannot close the output file");
}

}  // namespace ziparchive
