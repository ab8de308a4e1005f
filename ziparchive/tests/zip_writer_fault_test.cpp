// Failures in the middle of Compress: the old archive stays byte for byte, no temporary
// file stays behind.
#include <gtest/gtest.h>

#include "ziparchive/records/zip_messages.h"
#include "ziparchive/archive/zip_writer.h"
#include "zip_writer_test_util.h"

using namespace ziparchive;

namespace {

// Passes writes through until the output would grow past a limit, then fails like a full disk.
class FullDiskStream : public OutStream {
 public:
  FullDiskStream(std::unique_ptr<OutStream> inner, std::uint64_t limit)
      : inner_(std::move(inner)), limit_(limit) {}
  void Write(const void* d, std::size_t n) override {
    if (inner_->Position() + n > limit_) {
      std::size_t part = inner_->Position() < limit_ ? std::size_t(limit_ - inner_->Position()) : 0;
      inner_->Write(d, part);
      inner_->Flush();  // the partial output really reaches the temporary file
      throw EZipWriteError("disk full", true);
    }
    inner_->Write(d, n);
  }
  std::uint64_t Position() const override { return inner_->Position(); }
  void Seek(std::uint64_t p) override { inner_->Seek(p); }
  std::uint64_t Size() const override { return inner_->Size(); }
  void Flush() override { inner_->Flush(); }
  void Close() override { inner_->Close(); }

 private:
  std::unique_ptr<OutStream> inner_;
  std::uint64_t limit_;
};

class FullDiskZip : public TZipBase {
 public:
  std::uint64_t limit = UINT64_MAX;
  std::vector<int> codes;
  FullDiskZip() {
    OnError = [this](TZipCommon&, const std::string&, const std::string&, const std::string&, int c) {
      codes.push_back(c);
    };
  }

 protected:
  std::unique_ptr<OutStream> OpenOutput(OsFile file) override {
    return std::make_unique<FullDiskStream>(TZipBase::OpenOutput(std::move(file)), limit);
  }
};

struct Fixture {
  EngineScratchFolder dir;
  std::string src = dir / "src";
  std::string temp = dir / "temp";
  std::string archive = dir / "pack.zip";
  Fixture() {
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
  Fixture f;
  {
    TZip zip;
    f.Configure(zip);
    ASSERT_EQ(zip.Compress(), 2);
  }
  const Bytes original = ReadBytes(f.archive);
  WriteBytes(f.src + "\\big.bin", RandomBytes(400000, 3));  // many 64 KiB deflate blocks
  WriteBytes(f.src + "\\small.txt", TextBytes(100, 4));

  // Probe how long the new output is, then fail it at points spread over all of it:
  // copying old members, inside deflate output, in headers, in the central directory.
  std::uint64_t full = 0;
  {
    EngineScratchFolder probe;
    Bytes copy = original;
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
    FullDiskZip zip;
    f.Configure(zip);
    zip.limit = limit;
    EXPECT_EQ(zip.Compress(), 0);
    EXPECT_EQ(zip.Count(), 0);
    ASSERT_FALSE(zip.codes.empty());  // before it: the kept members' 25270 reports
    EXPECT_EQ(zip.codes.back(), zipmsg::kDiskFull);
    EXPECT_EQ(ReadBytes(f.archive), original);
    EXPECT_TRUE(ListFolder(f.temp).empty());
  }
  // The same writer succeeds once the disk has room.
  FullDiskZip zip;
  f.Configure(zip);
  EXPECT_EQ(zip.Compress(), 2);
  EXPECT_EQ(ParseZip(ReadBytes(f.archive)).members.size(), 4u);
  EXPECT_TRUE(ListFolder(f.temp).empty());
}

TEST(ZipWriterFaults, FailedNewArchiveIsNotCreated) {
  Fixture f;
  FullDiskZip zip;
  f.Configure(zip);
  zip.limit = 5000;
  EXPECT_EQ(zip.Compress(), 0);
  EXPECT_FALSE(Exists(f.archive));
  EXPECT_TRUE(ListFolder(f.temp).empty());
}

struct CancelAfter {
  TZipCommon* zip;
  int calls;
};

TEST(ZipWriterFaults, CancelDuringTheScanOrTheWritingChangesNothing) {
  Fixture f;
  {
    TZip zip;
    f.Configure(zip);
    ASSERT_EQ(zip.Compress(), 2);
  }
  const Bytes original = ReadBytes(f.archive);
  for (int i = 0; i < 6; ++i) WriteBytes(f.src + "\\n" + std::to_string(i) + ".txt", TextBytes(3000, 10 + i));
  for (int after : {1, 5, 10}) {
    SCOPED_TRACE(after);
    FullDiskZip zip;
    f.Configure(zip);
    CancelAfter state{&zip, after};
    zip.ProcessMessages = [&state] {
      if (--state.calls == 0) state.zip->Cancel();
    };
    EXPECT_EQ(zip.Compress(), 0);
    ASSERT_FALSE(zip.codes.empty());
    EXPECT_EQ(zip.codes.back(), zipmsg::kUserCanceled);
    EXPECT_EQ(ReadBytes(f.archive), original);
    EXPECT_TRUE(ListFolder(f.temp).empty());
  }
}

// An existing archive whose directory points past its end is refused, not half copied.
TEST(ZipWriterFaults, DamagedExistingMemberRefusesTheUpdate) {
  Fixture f;
  {
    TZip zip;
    f.Configure(zip);
    ASSERT_EQ(zip.Compress(), 2);
  }
  Bytes damaged = ReadBytes(f.archive);
  ParsedZip z = ParseZip(damaged);
  // Point the second member's local header offset into the middle of the first one's data.
  std::size_t cd = z.end.centralDirOffset;
  std::size_t second = cd + 46 + z.members[0].central.nameLength;
  PutLE32(&damaged[second + 42], 7);
  WriteBytes(f.archive, damaged);
  WriteBytes(f.src + "\\new.txt", TextBytes(100, 9));
  FullDiskZip zip;
  f.Configure(zip);
  EXPECT_EQ(zip.Compress(), 0);
  EXPECT_EQ(zip.codes.back(), zipmsg::kBadFileHeader);
  EXPECT_EQ(ReadBytes(f.archive), damaged);
  EXPECT_TRUE(ListFolder(f.temp).empty());
}

}  // namespace

// Fault: a file that shrank (or grew) between the scan and its packing was stored as it then
// was without a word. The member holds what was read, and that is reported.
TEST(ZipWriterFaults, AFileThatChangesBeforeItIsPackedIsReported) {
  Fixture f;
  FullDiskZip zip;
  f.Configure(zip);
  int calls = 0;
  // The scan calls once per entry it lists: at the second the scan is over.
  zip.ProcessMessages = [&] {
    if (++calls != 2) return;
    WriteBytes(f.src + "\\one.txt", TextBytes(10, 3));
    WriteBytes(f.src + "\\two.bmp", TextBytes(80000, 4));
  };
  EXPECT_EQ(zip.Compress(), 2);
  EXPECT_EQ(zip.codes, (std::vector<int>{zipmsg::kFileChanged, zipmsg::kFileChanged}));
  const ParsedZip parsed = ParseZip(ReadBytes(f.archive));
  ASSERT_NE(parsed.Find("one.txt"), nullptr);
  ASSERT_NE(parsed.Find("two.bmp"), nullptr);
  EXPECT_EQ(parsed.Find("one.txt")->central.uncompressedSize, 10u);
  EXPECT_EQ(parsed.Find("two.bmp")->central.uncompressedSize, 80000u);
}
