// Archives the writer makes, checked by other ZIP readers; and archives other writers made,
// updated by this one. Native only: the readers are host tools.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ziparchive/archive/zip_writer.h"
#include "zip_writer_test_util.h"

using namespace ziparchive;

namespace {

std::string Host(std::string p) {
  for (char& c : p)
    if (c == '\\') c = '/';
  if (!p.empty() && p.back() == '/') p.pop_back();
  return p;
}

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

int Shell(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }

// A tree with what logon packages and the benchmark hold: text, bitmaps, random data,
// an empty file, an archive inside, files around the 257-byte line, nested folders.
void MakeTree(const std::string& root) {
  ASSERT_TRUE(OsCreateFolder(root));
  WriteBytes(root + "\\theme.ini", TextBytes(600, 1));
  WriteBytes(root + "\\uifile.txt", TextBytes(250000, 2));
  WriteBytes(root + "\\Bitmap100.bmp", TextBytes(70000, 3));
  WriteBytes(root + "\\noise.bin", RandomBytes(200000, 4));
  WriteBytes(root + "\\r100.bin", RandomBytes(100, 5));
  WriteBytes(root + "\\r300.bin", RandomBytes(300, 6));
  WriteBytes(root + "\\empty.txt", {});
  WriteBytes(root + "\\inner.ZIP", TextBytes(4000, 7));
  ASSERT_TRUE(OsCreateFolder(root + "\\sub"));
  ASSERT_TRUE(OsCreateFolder(root + "\\sub\\deeper"));
  WriteBytes(root + "\\sub\\a.txt", TextBytes(3000, 8));
  WriteBytes(root + "\\sub\\deeper\\b.bmp", TextBytes(1 << 20, 9));
}

// Compares every file of two trees (host paths).
void ExpectSameTree(const std::string& a, const std::string& b) {
  EXPECT_EQ(Shell("diff -r '" + a + "' '" + b + "'"), 0) << a << " vs " << b;
}

class ZipWriterInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeTree(dir / "src");
    TZip zip;
    zip.SetArchiveFile(dir / "out.zip");
    zip.FileSpec = {dir / "src\\*"};
    ASSERT_EQ(zip.Compress(), 10);
    archive = Host(dir / "out.zip");
  }
  EngineScratchFolder dir;
  std::string archive;
};

TEST_F(ZipWriterInterop, InfoZipTestsAndExtractsIdentically) {
  if (!Have("unzip")) GTEST_SKIP() << "unzip missing";
  EXPECT_EQ(Shell("unzip -t '" + archive + "'"), 0);
  EXPECT_EQ(Shell("unzip -q '" + archive + "' -d '" + Host(dir / "x") + "'"), 0);
  ExpectSameTree(Host(dir / "src"), Host(dir / "x"));
}

TEST_F(ZipWriterInterop, SevenZipTestsAndExtractsIdentically) {
  if (!Have("7z")) GTEST_SKIP() << "7z missing";
  EXPECT_EQ(Shell("7z t '" + archive + "'"), 0);
  EXPECT_EQ(Shell("7z x -y '-o" + Host(dir / "x") + "' '" + archive + "'"), 0);
  ExpectSameTree(Host(dir / "src"), Host(dir / "x"));
}

// Python's zipfile checks CRCs and sizes; its zlib at level 6, memory level 8 must give the
// very bytes stored for each deflated member.
TEST_F(ZipWriterInterop, PythonReadsEveryMemberAndRecompressesToTheSameBytes) {
  if (!Have("python3")) GTEST_SKIP() << "python3 missing";
  std::string script = Host(dir / "check.py");
  std::ofstream(script) << R"(import sys, zipfile, zlib, os
z = zipfile.ZipFile(sys.argv[1])
assert z.testzip() is None
src = sys.argv[2]
names = []
for info in z.infolist():
    data = z.read(info)
    with open(os.path.join(src, info.filename), 'rb') as f:
        assert f.read() == data, info.filename
    if info.compress_type == zipfile.ZIP_DEFLATED:
        c = zlib.compressobj(6, zlib.DEFLATED, -15, 8)
        raw = c.compress(data) + c.flush()
        with open(sys.argv[1], 'rb') as f:
            f.seek(info.header_offset + 26)
            n, m = int.from_bytes(f.read(2), 'little'), int.from_bytes(f.read(2), 'little')
            f.seek(info.header_offset + 30 + n + m)
            assert f.read(info.compress_size) == raw, info.filename
    assert info.create_version == 20 and info.extract_version == 20
    assert info.internal_attr == 1
    names.append(info.filename)
on_disk = []
for root, dirs, files in os.walk(src):
    on_disk += [os.path.relpath(os.path.join(root, f), src) for f in files]
assert sorted(names) == sorted(on_disk), (names, on_disk)
)";
  EXPECT_EQ(std::system(("python3 '" + script + "' '" + archive + "' '" + Host(dir / "src") + "'").c_str()), 0);
}

// Updating archives other tools wrote: every old member and the comment survive unchanged,
// the result is still clean for the other readers.
TEST(ZipWriterInteropUpdate, ForeignArchivesKeepTheirMembers) {
  if (!Have("zip") || !Have("unzip") || !Have("python3")) GTEST_SKIP() << "zip, unzip or python3 missing";
  EngineScratchFolder dir;
  MakeTree(dir / "old");
  ASSERT_TRUE(OsCreateFolder(dir / "add"));
  WriteBytes(dir / "add\\added.txt", TextBytes(9000, 20));
  std::string old = Host(dir / "old");
  struct Case {
    const char* name;
    std::string make;
  } cases[] = {
      {"infozip.zip", "cd '" + old + "' && zip -q -r -X ../infozip.zip . && echo 'a comment' | zip -q -z ../infozip.zip"},
      // Streamed from a pipe: data descriptors after the members.
      {"streamed.zip", "cd '" + old + "' && cat uifile.txt | zip -q -fd ../streamed.zip - && zip -q -r ../streamed.zip sub"},
      {"python.zip", "cd '" + old + "' && python3 -c \"import zipfile,os\nz=zipfile.ZipFile('../python.zip','w',zipfile.ZIP_DEFLATED)\n"
                     "for r,d,f in os.walk('.'):\n  [z.write(os.path.join(r,x)) for x in f]\nz.comment=b'py'\nz.close()\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Shell(c.make), 0) << c.make;
    std::string archive = dir / c.name;
    Bytes before = ReadBytes(archive);
    std::string py = Host(dir / "members.py");
    std::ofstream(py) << "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\n"
                         "print(repr(z.comment))\n"
                         "for i in z.infolist(): print(i.filename, i.CRC, i.compress_size, i.date_time, i.extra.hex())\n";
    std::string listBefore = Host(dir / "before.txt"), listAfter = Host(dir / "after.txt");
    ASSERT_EQ(std::system(("python3 '" + py + "' '" + Host(archive) + "' > '" + listBefore + "'").c_str()), 0);

    TZip zip;
    zip.SetArchiveFile(archive);
    zip.FileSpec = {dir / "add\\*"};
    ASSERT_EQ(zip.Compress(), 1);
    EXPECT_EQ(Shell("unzip -t '" + Host(archive) + "'"), 0);
    ASSERT_EQ(std::system(("python3 '" + py + "' '" + Host(archive) + "' > '" + listAfter + "'").c_str()), 0);
    std::ifstream a(listBefore), b(listAfter);
    std::stringstream sa, sb;
    sa << a.rdbuf();
    sb << b.rdbuf();
    std::string expected = sa.str();
    // The added member comes last, after every old one.
    ASSERT_GT(sb.str().size(), expected.size());
    EXPECT_EQ(sb.str().substr(0, expected.size()), expected);
    EXPECT_NE(sb.str().find("added.txt"), std::string::npos);
    EXPECT_NE(ReadBytes(archive), before);
  }
}

}  // namespace
