#include "updater/safe_extract.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "updater_fixtures.hpp"

namespace {

using Updater::EntryKind;
namespace fs = std::filesystem;

TEST(SafeExtract, EntryDestinations) {
  struct Case {
    const char* name;
    const char* path;
    EntryKind kind;
    const char* symlink;
    const char* hardlink;
    std::optional<fs::path> want;
  } cases[] = {
      {"plain file", "Quotalume.app/bin/quotalume", EntryKind::file, "", "", "Quotalume.app/bin/quotalume"},
      {"dot and empty parts dropped", "./Quotalume.app//Info.json", EntryKind::file, "", "",
       "Quotalume.app/Info.json"},
      {"the folder itself", "./", EntryKind::directory, "", "", fs::path()},
      {"parent component", "../evil", EntryKind::file, "", "", std::nullopt},
      {"parent that stays inside is still refused", "a/../b", EntryKind::file, "", "", std::nullopt},
      {"absolute path", "/tmp/evil", EntryKind::file, "", "", std::nullopt},
      {"device or fifo", "Quotalume.app/dev", EntryKind::other, "", "", std::nullopt},
      {"link inside", "Quotalume.app/lib/a.so", EntryKind::symlink, "../bin/quotalume", "",
       "Quotalume.app/lib/a.so"},
      {"link to the folder", "Quotalume.app/up", EntryKind::symlink, "..", "", "Quotalume.app/up"},
      {"link climbing out", "Quotalume.app/up", EntryKind::symlink, "../..", "", std::nullopt},
      {"link out and back", "Quotalume.app/x", EntryKind::symlink, "../../w/Quotalume.app", "", std::nullopt},
      {"absolute link", "Quotalume.app/x", EntryKind::symlink, "/etc/passwd", "", std::nullopt},
      {"empty link target", "Quotalume.app/x", EntryKind::symlink, "", "", std::nullopt},
      {"hard link inside", "Quotalume.app/y", EntryKind::file, "", "Quotalume.app/bin/quotalume",
       "Quotalume.app/y"},
      {"hard link outside", "Quotalume.app/y", EntryKind::file, "", "../../etc/passwd", std::nullopt},
      {"absolute hard link", "Quotalume.app/y", EntryKind::file, "", "/etc/passwd", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Updater::entryDestination(c.path, c.kind, c.symlink, c.hardlink), c.want);
  }
}

struct ExtractFixture : ::testing::Test {
  QTemporaryDir temp;
  fs::path root = temp.path().toStdString();
  fs::path folder = root / "work";
  fs::path zip = root / "update.zip";
  void SetUp() override { fs::create_directories(folder); }
  bool extract(
      const std::string& bytes, std::uintmax_t maxBytes,
      const std::function<bool()>& stop = [] { return false; }) {
    std::ofstream(zip, std::ios::binary) << bytes;
    return Updater::extractArchive(zip, folder, maxBytes, stop);
  }
};

TEST_F(ExtractFixture, UnpacksBundleKeepingModesAndInnerLinks) {
  ASSERT_TRUE(
      extract(bundleZip("1.0.3", "id",
                        {zipDir("Quotalume.app/lib/"), zipLink("Quotalume.app/lib/run", "../bin/quotalume"),
                         zipFile("Quotalume.app/setid", "x", 06755)}),
              std::uintmax_t(1) << 30));
  const fs::path app = folder / "Quotalume.app";
  EXPECT_EQ(readAll(app / "Info.json"), infoJSON("id", "1.0.3"));
  struct stat st {};
  ASSERT_EQ(::stat((app / "bin/quotalume").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  ASSERT_EQ(::stat((app / "setid").c_str(), &st), 0);
  EXPECT_FALSE(st.st_mode & (S_ISUID | S_ISGID));
  EXPECT_EQ(fs::read_symlink(app / "lib/run"), "../bin/quotalume");
}

// Quitting during an unpack must not wait for a large file to come out.
TEST_F(ExtractFixture, StopsWithinABlockOfBeingAsked) {
  const std::uintmax_t size = std::uintmax_t(16) << 20;
  int asked = 0;
  EXPECT_FALSE(extract(bundleZip("1.0.3", "id", {zipFile("Quotalume.app/zeros", std::string(size, 'z'))}),
                       size * 2, [&] { return ++asked > 12; }));
  // What reached the disk; a cut-off file may still be stretched to its full, sparse, length.
  std::uintmax_t written = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    struct stat st {};
    if (::lstat(e.path().c_str(), &st) == 0 && S_ISREG(st.st_mode))
      written += std::uintmax_t(st.st_blocks) * 512;
  }
  EXPECT_LT(written, size / 8);
}

}  // namespace
