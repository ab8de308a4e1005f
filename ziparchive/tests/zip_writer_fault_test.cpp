// Failures in the middle of Compress: the old archive stays byte for byte, no temporary
// file stays behind.
#include <gtest/gtest.h>

#include "ziparchive/records/zip_messages.h"
#include "ziparchive/archive/zip_writer.h"
#include "zip_writer_test_util.h"

using namespace ziparchive;

namespace {

// Passes writes through until the output would grow past a limit, then fails like a full disk.
class TFullDiskStream : public TOutStream {
 public:
  TFullDiskStream(std::unique_ptr<TOutStream> inner, std::uint64_t limit)
      : FInner(std::move(inner)), FLimit(limit) {}
  void Write(const void* d, std::size_t n) override {
    if (FInner->Position() + n > FLimit) {
      std::size_t part = FInner->Position() < FLimit ? std::size_t(FLimit - FInner->Position()) : 0;
      FInner->Write(d, part);
      FInner->Flush();  // the partial output really reaches the temporary file
      throw EZipWriteError("disk full", true);
    }
    FInner->Write(d, n);
  }
  std::uint64_t Position() const override { return FInner->Position(); }
  void Seek(std::uint64_t p) override { FInner->Seek(p); }
  std::uint64_t Size() const override { return FInner->Size(); }
  void Flush() override { FInner->Flush(); }
  void Close() override { FInner->Close(); }

 private:
  std::unique_ptr<TOutStream> FInner;
  std::uint64_t FLimit;
};

class TFullDiskZip : public TZipBase {
 public:
  std::uint64_t Limit = UINT64_MAX;
  std::vector<int> Codes;
  TFullDiskZip() {
    OnError = [this](TZipCommon&, const std::string&, const std::string&, const std::string&, int c) {
      Codes.push_back(c);
    };
  }

 protected:
  std::unique_ptr<TOutStream> OpenOutput(TOsFile file) override {
    return std::make_unique<TFullDiskStream>(TZipBase::OpenOutput(std::move(file)), Limit);
  }
};

struct TFixture {
  TScratchFolder dir;
  std::string src = dir / "src";
  std::string temp = dir / "temp";
  std::string archive = dir / "pack.zip";
  TFixture() {
    EXPECT_TRUE(OsCreateFolder(src));
    EXPECT_TRUE(OsCreateFolder(temp));
    WriteBytes(src + "\\one.txt", TextBytes(20000, 1));
    WriteBytes(src + "\\two.bmp", TextBytes(70000, 2));
  }
  void Configure(TZipBase& zip) {
    zip.SetArchiveFile(archive);
    zip.FileSpec = {src + "\\*"};
    zip.TempDir = temp;
  }
};

TEST(ZipWriterFaults, FullDiskAnywhereLeavesTheOldArchiveAndNoTemporaryFile) {
  TFixture f;
  {
    TZip zip;
    f.Configure(zip);
    ASSERT_EQ(zip.Compress(), 2);
  }
  const TBytes original = ReadBytes(f.archive);
  WriteBytes(f.src + "\\big.bin", RandomBytes(400000, 3));  // many 64 KiB deflate blocks
  WriteBytes(f.src + "\\small.txt", TextBytes(100, 4));

  // Probe how long the new output is, then fail it at points spread over all of it:
  // copying old members, inside deflate output, in headers, in the central directory.
  std::uint64_t full = 0;
  {
    TScratchFolder probe;
    TBytes copy = original;
    WriteBytes(probe / "pack.zip", copy);
    TZip zip;
    zip.SetArchiveFile(probe / "pack.zip");
    zip.FileSpec = {f.src + "\\*"};
    ASSERT_EQ(zip.Compress(), 2);
    full = ReadBytes(probe / "pack.zip").size();
  }
  for (std::uint64_t limit : {std::uint64_t(0), std::uint64_t(40), std::uint64_t(30000), full / 2,
                              full - 200, full - 1}) {
    SCOPED_TRACE(limit);
    TFullDiskZip zip;
    f.Configure(zip);
    zip.Limit = limit;
    EXPECT_EQ(zip.Compress(), 0);
    EXPECT_EQ(zip.Count(), 0);
    ASSERT_FALSE(zip.Codes.empty());  // before it: the kept members' 25270 reports
    EXPECT_EQ(zip.Codes.back(), zipmsg::DiskFull);
    EXPECT_EQ(ReadBytes(f.archive), original);
    EXPECT_TRUE(ListFolder(f.temp).empty());
  }
  // The same writer succeeds once the disk has room.
  TFullDiskZip zip;
  f.Configure(zip);
  EXPECT_EQ(zip.Compress(), 2);
  EXPECT_EQ(ParseZip(ReadBytes(f.archive)).Members.size(), 4u);
  EXPECT_TRUE(ListFolder(f.temp).empty());
}

TEST(ZipWriterFaults, FailedNewArchiveIsNotCreated) {
  TFixture f;
  TFullDiskZip zip;
  f.Configure(zip);
  zip.Limit = 5000;
  EXPECT_EQ(zip.Compress(), 0);
  EXPECT_FALSE(Exists(f.archive));
  EXPECT_TRUE(ListFolder(f.temp).empty());
}

struct TCancelAfter {
  TZipCommon* zip;
  int calls;
};

TEST(ZipWriterFaults, CancelDuringTheScanOrTheWritingChangesNothing) {
  TFixture f;
  {
    TZip zip;
    f.Configure(zip);
    ASSERT_EQ(zip.Compress(), 2);
  }
  const TBytes original = ReadBytes(f.archive);
  for (int i = 0; i < 6; ++i) WriteBytes(f.src + "\\n" + std::to_string(i) + ".txt", TextBytes(3000, 10 + i));
  for (int after : {1, 5, 10}) {
    SCOPED_TRACE(after);
    TFullDiskZip zip;
    f.Configure(zip);
    TCancelAfter state{&zip, after};
    zip.ProcessMessages = [&state] {
      if (--state.calls == 0) state.zip->Cancel();
    };
    EXPECT_EQ(zip.Compress(), 0);
    ASSERT_FALSE(zip.Codes.empty());
    EXPECT_EQ(zip.Codes.back(), zipmsg::UserCanceled);
    EXPECT_EQ(ReadBytes(f.archive), original);
    EXPECT_TRUE(ListFolder(f.temp).empty());
  }
}

// An existing archive whose directory points past its end is refused, not half copied.
TEST(ZipWriterFaults, DamagedExistingMemberRefusesTheUpdate) {
  TFixture f;
  {
    TZip zip;
    f.Configure(zip);
    ASSERT_EQ(zip.Compress(), 2);
  }
  TBytes damaged = ReadBytes(f.archive);
  TParsedZip z = ParseZip(damaged);
  // Point the second member's local header offset into the middle of the first one's data.
  std::size_t cd = z.End.CentralDirOffset;
  std::size_t second = cd + 46 + z.Members[0].Central.NameLength;
  PutLE32(&damaged[second + 42], 7);
  WriteBytes(f.archive, damaged);
  WriteBytes(f.src + "\\new.txt", TextBytes(100, 9));
  TFullDiskZip zip;
  f.Configure(zip);
  EXPECT_EQ(zip.Compress(), 0);
  EXPECT_EQ(zip.Codes.back(), zipmsg::BadFileHeader);
  EXPECT_EQ(ReadBytes(f.archive), damaged);
  EXPECT_TRUE(ListFolder(f.temp).empty());
}

}  // namespace
