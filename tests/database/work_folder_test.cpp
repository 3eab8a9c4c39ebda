#include "workfolder/work_folder.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "tests/database/test_support.h"
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

}  // namespace
}  // namespace pressling
