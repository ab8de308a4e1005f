// A kit built into one program: the layout the stub relies on, the same bytes for the same
// kit, every file and empty folder back out of it, and every cut or changed byte of the
// payload refused.
#include "bramlow/kit/kit_build.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bramlow/kit/ansi_text.h"
#include "bramlow/kit/setup_payload.h"
#include "bramlow/kit/version_resource.h"
#include "testing/support/file_bytes.h"
#include "testing/support/scratch_folder.h"
#include "ziparchive/archive/unzip.h"

namespace bramlow {
namespace {

namespace fs = std::filesystem;

void Put16(std::string& b, size_t at, uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

// The smallest program with a version resource of `room` bytes: what the builder needs of a
// stub. (The real stub is built for Windows only; its tests run there.)
std::string TestStub(uint32_t room = 3072) {
  std::string b(0x200 + 0x58 + room, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 60, 64);
  b.replace(64, 4, std::string("PE\0\0", 4));
  Put16(b, 68, 0x14C);
  Put16(b, 70, 1);    // sections
  Put16(b, 84, 224);  // optional header
  Put16(b, 88, 0x10B);
  Put32(b, 88 + 96 + 16, 0x1000);  // resource directory
  Put32(b, 88 + 96 + 20, 0x58 + room);
  const size_t section = 88 + 224;
  b.replace(section, 5, ".rsrc");
  Put32(b, section + 8, 0x58 + room);
  Put32(b, section + 12, 0x1000);
  Put32(b, section + 16, 0x58 + room);
  Put32(b, section + 20, 0x200);
  const size_t root = 0x200;
  Put16(b, root + 14, 1);
  Put32(b, root + 16, 16);
  Put32(b, root + 20, 0x80000000u | 0x18);
  Put16(b, root + 0x18 + 14, 1);
  Put32(b, root + 0x18 + 16, 1);
  Put32(b, root + 0x18 + 20, 0x80000000u | 0x30);
  Put16(b, root + 0x30 + 14, 1);
  Put32(b, root + 0x30 + 16, 0x409);
  Put32(b, root + 0x30 + 20, 0x48);
  Put32(b, root + 0x48, 0x1000 + 0x58);
  Put32(b, root + 0x48 + 4, room);
  return b;
}

struct Kit {
  testsupport::ScratchFolder folder{"kvbuild"};
  fs::path kit = fs::path(folder.Path()) / "kit";

  Kit() {
    fs::create_directories(kit / "app" / "docs");
    fs::create_directories(kit / "app" / "empty" / "deeper");
    const std::map<std::string, std::string> files = {
        {"setup.qx1", "[setup1]\r\nAppName=Tool \xE9\r\n[kit]\r\nVersion=1.2.3\r\n"},
        {"English.qxl", "[language]\r\n1=Back\r\n"},
        {"bramlow.exe", "MZ engine"},
        {"app/readme.txt", std::string(70000, 'r')},
        {"app/docs/guide.txt", "guide"},
        {"app/.hidden", "hidden"},
    };
    for (const auto& [name, bytes] : files) testsupport::WriteBytes(kit / name, bytes);
  }

  BuildResult Build(const fs::path& output, std::string stub = TestStub()) {
    BuildOptions options;
    options.kit = kit.string();
    options.output = output.string();
    options.stub = std::move(stub);
    options.codePage = 1252;
    return BuildSetup(options);
  }
};

std::map<std::string, std::string> TreeOf(const fs::path& root) {
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(e.path(), root).generic_string();
    tree[relative] = e.is_directory() ? "<folder>" : testsupport::ReadBytes(e.path());
  }
  return tree;
}

PayloadCheck CheckBytes(const std::string& bytes) {
  return CheckPayload(
      [&bytes](uint64_t at, void* buffer, size_t count) {
        if (at > bytes.size() || count > bytes.size() - at) return false;
        std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + count),
                  static_cast<char*>(buffer));
        return true;
      },
      bytes.size());
}

TEST(KitBuild, WritesTheStubTheArchiveAndTheTrailer) {
  Kit kit;
  const fs::path output = fs::path(kit.folder.Path()) / "setup.exe";
  const BuildResult result = kit.Build(output);
  ASSERT_TRUE(result.ok) << result.problem;
  EXPECT_EQ(result.files, 6);
  const std::string bytes = testsupport::ReadBytes(output);
  EXPECT_EQ(bytes.size(), result.bytes);

  const PayloadCheck check = CheckBytes(bytes);
  ASSERT_TRUE(check.ok) << check.problem;
  EXPECT_EQ(check.trailer.zipOffset, TestStub().size());
  EXPECT_EQ(check.emptyFolders, std::vector<std::string>{"app\\empty\\deeper"});
  // Nothing is left beside the program.
  EXPECT_FALSE(fs::exists(output.string() + ".zip~"));
  EXPECT_FALSE(fs::exists(output.string() + ".new~"));

  // The stub carries the kit's name and version now.
  const auto slot = FindVersionResource(bytes);
  ASSERT_TRUE(slot.has_value());
  const std::string block = bytes.substr(slot->dataOffset, slot->size);
  VersionStrings expected;
  expected.productName = u"Tool \u00E9";
  expected.fileDescription = u"Tool \u00E9 Setup";
  expected.version = u"1.2.3";
  expected.originalFilename = u"setup.exe";
  expected.numbers[0] = 1;
  expected.numbers[1] = 2;
  expected.numbers[2] = 3;
  EXPECT_EQ(block, BuildVersionInfo(expected));

  // The engine's reader takes every file back out, with the stub in front.
  const fs::path out = fs::path(kit.folder.Path()) / "out";
  fs::create_directories(out);
  ziparchive::TUnZip unzip;
  int problems = 0;
  unzip.OnError = [&](ziparchive::TZipCommon&, const std::string& f, const std::string& x,
                      const std::string&, int c) {
    ADD_FAILURE() << f << " " << x << " " << c;
    ++problems;
  };
  unzip.FileSpec = {"*"};
  unzip.SetArchiveFile(output.string());
  unzip.SetExtractDir(out.string());
  unzip.CreateStoredDirs = true;
  EXPECT_EQ(unzip.Extract(), 6);
  EXPECT_EQ(problems, 0);
  for (const std::string& folder : check.emptyFolders) {
    std::string path = folder;
    for (char& c : path)
      if (c == '\\') c = '/';
    fs::create_directories(out / path);
  }
  EXPECT_EQ(TreeOf(out), TreeOf(kit.kit));
}

TEST(KitBuild, TheSameKitGivesTheSameBytes) {
  Kit kit;
  const fs::path first = fs::path(kit.folder.Path()) / "a" / "setup.exe";
  const fs::path second = fs::path(kit.folder.Path()) / "b" / "setup.exe";
  fs::create_directories(first.parent_path());
  fs::create_directories(second.parent_path());
  ASSERT_TRUE(kit.Build(first).ok);
  ASSERT_TRUE(kit.Build(second).ok);
  EXPECT_EQ(testsupport::ReadBytes(first), testsupport::ReadBytes(second));
  // A second build over the first replaces it with the same.
  ASSERT_TRUE(kit.Build(first).ok);
  EXPECT_EQ(testsupport::ReadBytes(first), testsupport::ReadBytes(second));
}

TEST(KitBuild, EveryCutAndEveryChangedByteOfThePayloadIsRefused) {
  Kit kit;
  testsupport::WriteBytes(kit.kit / "app/readme.txt", "short");
  const fs::path output = fs::path(kit.folder.Path()) / "setup.exe";
  ASSERT_TRUE(kit.Build(output, TestStub(1024)).ok);
  const std::string bytes = testsupport::ReadBytes(output);
  const size_t payload = TestStub(1024).size();
  ASSERT_TRUE(CheckBytes(bytes).ok);
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    const PayloadCheck check = CheckBytes(bytes.substr(0, cut));
    ASSERT_FALSE(check.ok) << "cut to " << cut;
    EXPECT_FALSE(check.problem.empty());
  }
  for (size_t at = payload; at < bytes.size(); ++at) {
    std::string changed = bytes;
    changed[at] = static_cast<char>(changed[at] ^ 0x21);
    EXPECT_FALSE(CheckBytes(changed).ok) << "byte " << at;
  }
  // Bytes added at the end are refused too.
  EXPECT_FALSE(CheckBytes(bytes + "x").ok);
  // Signing pads the file to 8 bytes, appends its certificate table and names it in the
  // program's header: the setup data is found before it, and is checked as ever.
  auto signedAs = [](std::string file, const std::string& certificate, uint32_t sizeStated) {
    file.append((8 - file.size() % 8) % 8, '\0');
    Put32(file, 88 + 96 + 32, static_cast<uint32_t>(file.size()));
    Put32(file, 88 + 96 + 36, sizeStated);
    return file + certificate;
  };
  const std::string certificate(24, 'C');
  EXPECT_TRUE(CheckBytes(signedAs(bytes, certificate, 24)).ok);
  std::string damaged = signedAs(bytes, certificate, 24);
  damaged[payload + 10] = static_cast<char>(damaged[payload + 10] ^ 0x21);
  EXPECT_FALSE(CheckBytes(damaged).ok) << "the payload of a signed setup";
  EXPECT_FALSE(CheckBytes(signedAs(bytes, certificate, 20)).ok) << "a table short of the end";
  EXPECT_FALSE(CheckBytes(signedAs(bytes.substr(0, bytes.size() - 1), certificate, 24)).ok)
      << "a cut setup, signed";
}

// The stub's own code holds the bytes PK\3\4 (it carries the ZIP engine): a reader that had to
// guess where the archive starts could take one for a member. The directory says where each is.
TEST(KitBuild, EveryMemberIsWhereTheDirectorySays) {
  Kit kit;
  for (int i = 0; i < 200; ++i)
    testsupport::WriteBytes(kit.kit / "app" / ("f" + std::to_string(i) + ".txt"),
                            std::string(i % 37, 'x'));
  std::string stub = TestStub();
  for (int i = 0; i < 20000; ++i) stub += std::string("PK\x03\x04", 4);
  const fs::path output = fs::path(kit.folder.Path()) / "setup.exe";
  const BuildResult result = kit.Build(output, stub);
  ASSERT_TRUE(result.ok) << result.problem;
  ziparchive::TUnZip unzip;
  int problems = 0;
  unzip.OnError = [&](ziparchive::TZipCommon&, const std::string&, const std::string&,
                      const std::string&, int) { ++problems; };
  unzip.FileSpec = {"*"};
  unzip.SetArchiveFile(output.string());
  EXPECT_EQ(unzip.Test(), result.files);
  EXPECT_EQ(problems, 0);
}

TEST(KitBuild, RefusesWhatItCannotDoWell) {
  Kit kit;
  const fs::path top = kit.folder.Path();
  // A stub without room for the version resource.
  const fs::path output = top / "setup.exe";
  BuildResult small = kit.Build(output, TestStub(64));
  EXPECT_FALSE(small.ok);
  EXPECT_NE(small.problem.find("version resource"), std::string::npos) << small.problem;
  BuildResult notAProgram = kit.Build(output, "not a program");
  EXPECT_FALSE(notAProgram.ok);
  EXPECT_FALSE(fs::exists(top / "setup.exe"));
}

// The program goes onto a free name or over a regular file, never into the kit (however either
// is spelt), never over its stub, and a built setup is no stub.
TEST(KitBuild, RefusesEveryPlaceItMustNotWrite) {
  Kit kit;
  const fs::path top = kit.folder.Path();
  ASSERT_TRUE(kit.Build(top / "built.exe").ok);
  testsupport::WriteBytes(top / "stub.exe", TestStub());
  fs::create_directories(top / "folder.exe");
  testsupport::WriteBytes(top / "target.exe", "kept");
  const std::string kitPath = kit.kit.string();
  struct Case {
    std::string kit, output, stubPath, stub, refusal;
  };
  std::vector<Case> cases = {
      {kitPath, (kit.kit / "setup.exe").string(), "", "", "inside the kit"},
      {kitPath, (kit.kit / "app" / "docs" / "setup.exe").string(), "", "", "inside the kit"},
      {(kit.kit / "app" / "..").string(), (kit.kit / "setup.exe").string(), "", "", "inside the kit"},
      {kitPath, (kit.kit / "app" / ".." / ".." / "kit" / "x.exe").string(), "", "", "inside the kit"},
      {kitPath, (top / "folder.exe").string(), "", "", "(a folder)"},
      {kitPath, (top / "stub.exe").string(), (top / "stub.exe").string(), "", "the stub itself"},
      {kitPath, (top / "setup.exe").string(), "", testsupport::ReadBytes(top / "built.exe"),
       "built already"},
  };
#ifndef _WIN32
  fs::create_symlink(top / "target.exe", top / "link.exe");
  fs::create_directory_symlink(kit.kit, top / "kitlink");
  ASSERT_EQ(mkfifo((top / "fifo.exe").c_str(), 0600), 0);
  cases.push_back({kitPath, (top / "kitlink" / "setup.exe").string(), "", "", "inside the kit"});
  cases.push_back({(top / "kitlink").string(), (kit.kit / "app" / "s.exe").string(), "", "",
                   "inside the kit"});
  cases.push_back({kitPath, (top / "fifo.exe").string(), "", "", "(a pipe)"});
  cases.push_back({kitPath, (top / "link.exe").string(), "", "", "(a link)"});
#endif
  for (const Case& c : cases) {
    BuildOptions options;
    options.kit = c.kit;
    options.output = c.output;
    options.stubPath = c.stubPath;
    options.stub = c.stub.empty() ? TestStub() : c.stub;
    const BuildResult result = BuildSetup(options);
    EXPECT_FALSE(result.ok) << c.output;
    EXPECT_NE(result.problem.find(c.refusal), std::string::npos) << c.output << ": " << result.problem;
    EXPECT_FALSE(fs::exists(c.output + ".new~")) << c.output;
  }
  // Nothing was put into the kit, and nothing in place of what was there.
  EXPECT_FALSE(fs::exists(kit.kit / "setup.exe"));
  EXPECT_FALSE(fs::exists(kit.kit / "app" / "s.exe"));
#ifndef _WIN32
  EXPECT_TRUE(fs::is_fifo(top / "fifo.exe"));
  EXPECT_TRUE(fs::is_symlink(top / "link.exe"));
#endif
  EXPECT_EQ(testsupport::ReadBytes(top / "target.exe"), "kept");
  EXPECT_EQ(testsupport::ReadBytes(top / "stub.exe"), TestStub());
  EXPECT_FALSE(fs::exists(top / "setup.exe"));
}

TEST(VersionResource, FindsNothingInDamagedPrograms) {
  const std::string stub = TestStub();
  ASSERT_TRUE(FindVersionResource(stub).has_value());
  for (size_t cut = 0; cut < 0x200 + 0x58; ++cut)
    EXPECT_FALSE(FindVersionResource(stub.substr(0, cut)).has_value());
  for (size_t at = 0; at < 0x200 + 0x58; ++at) {
    for (int value : {0x00, 0xFF, 0x80}) {
      std::string changed = stub;
      changed[at] = static_cast<char>(value);
      const auto slot = FindVersionResource(changed);
      if (slot) {
        EXPECT_LE(slot->dataOffset + slot->size, changed.size());
      }
    }
  }
}

TEST(PayloadTrailer, ReadsBackWhatItWrites) {
  const PayloadTrailer t{0x1234, 0xFFFFFFFFFull, 77, 0xDEADBEEF};
  const std::string text = EncodeTrailer(t);
  ASSERT_EQ(text.size(), kPayloadTrailerSize);
  const auto back = DecodeTrailer(text);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->zipOffset, t.zipOffset);
  EXPECT_EQ(back->zipLength, t.zipLength);
  EXPECT_EQ(back->foldersLength, t.foldersLength);
  EXPECT_EQ(back->crc, t.crc);
  // No byte of it can start a ZIP record.
  EXPECT_EQ(text.find("PK"), std::string::npos);
  EXPECT_EQ(DecodeFolderList(EncodeFolderList({"a", "b\\c"})),
            (std::vector<std::string>{"a", "b\\c"}));

  // Trailers whose lengths cannot be right: each refusal says what is wrong, without
  // contradicting itself.
  const std::string stub(100, 'S');
  struct Case {
    uint64_t offset, zip, folders;
    const char* said;
  } cases[] = {
      {100, 10, 0, "names no archive"},                      // less than an end record
      {100, 0xFFFFFFFFFFFFFFF0ull, 40, "names no archive"},  // wraps around
      {100, 22, 0, "bytes, its setup data says"},             // the archive is not there
  };
  for (const Case& c : cases) {
    const PayloadTrailer trailer{c.offset, c.zip, static_cast<uint32_t>(c.folders), 0};
    const std::string file = stub + std::string(10, 'Z') + EncodeTrailer(trailer);
    const PayloadCheck check = CheckBytes(file);
    EXPECT_FALSE(check.ok);
    EXPECT_NE(check.problem.find(c.said), std::string::npos) << c.zip << ": " << check.problem;
    EXPECT_EQ(check.problem.find(std::to_string(file.size()) + " bytes, its setup data says " +
                                 std::to_string(file.size())),
              std::string::npos)
        << check.problem;
  }
}

}  // namespace
}  // namespace bramlow
