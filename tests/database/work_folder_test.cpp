#include "workfolder/work_folder.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/database/test_support.h"
#include "workfolder/file_io.h"
#include "workfolder/run_directory.h"

namespace pressling {
namespace {

TEST(WorkFolderTest, LeftoverFolderWithReadOnlyContentsIsReplaced) {
  test::TempFolder parent;
  const auto tmp = parent / "tmp";
  ASSERT_TRUE(CreateWorkFolder(tmp).ok());
  test::WriteBytes(tmp / "~0000code0001", {1});
  ::chmod((tmp / "~0000code0001").c_str(), 0444);
  std::filesystem::create_directory(tmp / "sub");
  test::WriteBytes(tmp / "sub" / "x", {2});
  ::chmod((tmp / "sub").c_str(), 0555);

  ASSERT_TRUE(WorkFolderExists(tmp));
  ASSERT_TRUE(DeleteWorkFolder(tmp).ok());
  EXPECT_FALSE(WorkFolderExists(tmp));
  ASSERT_TRUE(CreateWorkFolder(tmp).ok());
  EXPECT_TRUE(test::Contents(tmp).empty());
}

TEST(WorkFolderTest, FileNamedLikeTheFolderIsNoFolder) {
  test::TempFolder parent;
  test::WriteBytes(parent / "tmp", {1});
  EXPECT_FALSE(WorkFolderExists(parent / "tmp"));
  auto created = CreateWorkFolder(parent / "tmp");
  ASSERT_FALSE(created.ok());
  EXPECT_EQ(created.error().kind, ErrorKind::FileOperation);
  EXPECT_EQ(test::ReadBytes(parent / "tmp"), test::Bytes{1});
}

TEST(RunDirectoryTest, PrivateFolderInTmpDirRemovedWithItsContents) {
  test::TempFolder tmpDir;
  test::TmpDirOverride override(tmpDir.path());
  std::filesystem::path made;
  {
    auto run = RunDirectory::Create();
    ASSERT_TRUE(run.ok());
    made = run->path();
    EXPECT_EQ(made.parent_path(), tmpDir.path());
    struct stat st;
    ASSERT_EQ(::stat(made.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_TRUE(CreateWorkFolder(made / "tmp").ok());
    test::WriteBytes(made / "tmp" / "piece", {1});
  }
  EXPECT_FALSE(std::filesystem::exists(made));
  EXPECT_TRUE(test::Contents(tmpDir.path()).empty());
}

TEST(RunDirectoryTest, RuntimeFolderServesWhenTmpDirIsUnset) {
  test::TempFolder runtime;
  test::TempFolder other;
  {
    test::EnvOverride noTmpDir("TMPDIR", nullptr);
    test::EnvOverride xdg("XDG_RUNTIME_DIR", runtime.path().c_str());
    auto run = RunDirectory::Create();
    ASSERT_TRUE(run.ok());
    EXPECT_EQ(run->path().parent_path(), runtime.path());
  }
  {
    // An explicit TMPDIR wins over the runtime folder.
    test::TmpDirOverride tmpDir(other.path());
    test::EnvOverride xdg("XDG_RUNTIME_DIR", runtime.path().c_str());
    auto run = RunDirectory::Create();
    ASSERT_TRUE(run.ok());
    EXPECT_EQ(run->path().parent_path(), other.path());
  }
  EXPECT_TRUE(test::Contents(runtime.path()).empty());
}

TEST(RunDirectoryTest, SharedMemoryServesWithoutTmpDirOrRuntimeFolderWhenItHasRoom) {
  struct statfs st;
  if (::statfs("/dev/shm", &st) != 0 || st.f_type != TMPFS_MAGIC || ::access("/dev/shm", W_OK | X_OK) != 0)
    GTEST_SKIP() << "/dev/shm is no writable tmpfs here; skipped";
  test::EnvOverride noTmpDir("TMPDIR", nullptr);
  test::EnvOverride noRuntime("XDG_RUNTIME_DIR", nullptr);
  auto small = RunDirectory::BaseFolder(1024);
  ASSERT_TRUE(small.ok());
  EXPECT_EQ(*small, "/dev/shm");
  // Twice an input this large fits on no tmpfs: the system's temporary folder.
  auto huge = RunDirectory::BaseFolder(std::uint64_t{1} << 62);
  ASSERT_TRUE(huge.ok());
  EXPECT_EQ(*huge, std::filesystem::temp_directory_path());
}

TEST(FileIoTest, FileOfLengthIsReadWholeOrRefused) {
  test::TempFolder folder;
  auto handle = FolderHandle::Open(folder.path());
  ASSERT_TRUE(handle.ok());
  test::WriteBytes(folder / "piece", {1, 2, 3});
  std::vector<std::uint8_t> bytes{9};
  ASSERT_TRUE(AppendFileOfLength(*handle, "piece", 3, bytes).ok());
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{9, 1, 2, 3}));
  for (std::uint64_t wrong : {2u, 4u, 0u}) {
    auto read = AppendFileOfLength(*handle, "piece", wrong, bytes);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().message, "cannot read " + (folder / "piece").string() + ": it is no longer " +
                                        std::to_string(wrong) + " bytes long");
  }
  auto missing = AppendFileOfLength(*handle, "gone", 1, bytes);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message, "cannot open " + (folder / "gone").string() + ": No such file or directory");
  EXPECT_EQ(bytes.size(), 4u) << "a failed read appends nothing";
}

}  // namespace
}  // namespace pressling
