#include <random>

#include "ziparchive/archive/archive_reader.h"
#include "unzip_fixture.h"

using namespace ziparchive;

namespace {
std::string Noise(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (char& c : s) c = char(rng());
  return s;
}

// Text that deflates well without matches of the longest length, which Deflate64 codes
// differently: the same raw deflate bytes are then valid for both methods.
std::string Words(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  const char* words[] = {"logon ", "bitmap ", "uifile ", "theme.ini\r\n", "Windows ", "0x1F "};
  std::string s;
  while (s.size() < size) s += rng() % 5 ? words[rng() % 6] : std::string(1, char('a' + rng() % 26));
  s.resize(size);
  return s;
}
}  // namespace

// Every byte comes out as the file holds it, in views that stop where the block ends and
// reads that run over several blocks, forwards, backwards and from odd places; nothing past
// the stated size is handed out, and a file shorter than stated fails the read.
TEST(ArchiveReader, ViewsAndReadsAcrossBlockBoundaries) {
  const std::string path = OsTempFolder() + "kv_archive_reader_test.bin";
  const std::string bytes = Noise(1000, 7);
  WriteBytes(path, bytes);
  OsFile file;
  ASSERT_TRUE(file.Open(path, OsAccess::Read, OsShare::DenyWrite));

  ArchiveReader reader(file, 900, 64);  // the last 100 bytes lie past the stated size
  std::string seen;
  int shortViews = 0;
  for (uint64_t pos = 0; pos < 900;) {
    const uint8_t* view = nullptr;
    size_t want = 1 + pos % 50;
    size_t n = reader.View(pos, want, view);
    ASSERT_GE(n, 1u) << pos;
    ASSERT_LE(n, want);
    shortViews += n < want;
    seen.append(reinterpret_cast<const char*>(view), n);
    pos += n;
  }
  EXPECT_EQ(seen, bytes.substr(0, 900));
  EXPECT_GT(shortViews, 0);  // views met the end of a block and stopped there
  const uint8_t* view = nullptr;
  EXPECT_EQ(reader.View(900, 10, view), 0u);
  EXPECT_EQ(reader.View(899, 10, view), 1u);
  EXPECT_EQ(reader.View(0, 0, view), 0u);

  // A read started inside one block ends several blocks on; then a read before it.
  std::string out(300, '\0');
  ASSERT_TRUE(reader.Read(37, out.data(), out.size()));
  EXPECT_EQ(out, bytes.substr(37, 300));
  ASSERT_TRUE(reader.Read(5, out.data(), 100));
  EXPECT_EQ(out.substr(0, 100), bytes.substr(5, 100));
  ASSERT_TRUE(reader.Read(800, out.data(), 100));
  EXPECT_EQ(out.substr(0, 100), bytes.substr(800, 100));
  EXPECT_FALSE(reader.Read(850, out.data(), 51));  // one byte past the stated size

  // The stated size may be larger than the file (truncated since): the read fails rather
  // than hand out what the buffer held before.
  ArchiveReader stale(file, 5000, 64);
  ASSERT_TRUE(stale.Read(960, out.data(), 40));
  EXPECT_EQ(out.substr(0, 40), bytes.substr(960, 40));
  EXPECT_FALSE(stale.Read(990, out.data(), 20));
  EXPECT_EQ(stale.View(1000, 10, view), 0u);
  file.Close();
  OsDeleteFile(path);
}

// One decoder state serves the whole run: members of every method follow one another,
// damaged ones among them, and each good member still comes out whole. The archive is several
// read blocks long, so member data also starts and ends in the middle of blocks.
TEST_F(UnZipTest, DecoderStateServesMembersOfEveryMethodAfterDamage) {
  auto deflated = [](std::string name, std::string data, uint16_t method, bool damage) {
    TestMember m{std::move(name), std::move(data)};
    m.method = method;
    m.raw = RawDeflate(m.data);
    if (damage) {
      m.raw[m.raw.size() / 2] ^= 0x55;
      m.raw.resize(m.raw.size() * 3 / 4);
    }
    return m;
  };
  TestMember shrunk{"shrunk.txt", "legacy"};
  shrunk.method = 1;
  BitWriter w;
  for (char c : shrunk.data) w.Put(uint8_t(c), 9);
  shrunk.raw = w.Finish();
  TestMember stored{"stored.bin", Noise(300000, 3)};
  stored.method = 0;

  std::vector<TestMember> members = {
      deflated("a.txt", Words(200000, 1), 8, false),  deflated("broken8.txt", Words(90000, 2), 8, true),
      deflated("c.txt", Words(70000, 3), 9, false),   stored,
      deflated("broken9.txt", Words(90000, 4), 9, true), shrunk,
      deflated("g.txt", Words(50000, 5), 8, false),   deflated("h.txt", Words(60000, 6), 9, false),
      deflated("empty.txt", "", 8, false),            deflated("i.txt", Words(1000, 7), 8, false)};
  // The builder encodes method 8 itself; Raw is what it takes for 9, so 8 goes through it too.
  for (TestMember& m : members)
    if (m.method == 8) m.method = 99;
  ZipBuild b = BuildZip(members);
  // Put method 8 back in both headers of the members relabelled above.
  uint64_t local = 0, central = b.centralOffset;
  for (const TestMember& m : members) {
    if (m.method == 99) b.bytes[local + 8] = b.bytes[central + 10] = 8;
    local += 30 + m.name.size() + (m.method == 0 ? m.data.size() : m.raw.size());
    central += 46 + m.name.size();
  }
  ASSERT_GT(b.bytes.size(), 2u * 131072);
  Use(b.bytes);

  for (int run = 0; run < 2; ++run) {  // extracting, then testing on the same object
    codes_.clear();
    EXPECT_EQ(run == 0 ? zip_.Extract() : zip_.Test(), int(members.size()));
    EXPECT_EQ(Count(zipmsg::kFileFailsCrc), 2) << run;
    EXPECT_EQ(int(codes_.size()), 2) << run;
  }
  for (const TestMember& m : members) {
    if (m.name.rfind("broken", 0) == 0)
      EXPECT_NE(Content(m.name), m.data) << m.name;
    else
      EXPECT_EQ(Content(m.name), m.data) << m.name;
  }
}
