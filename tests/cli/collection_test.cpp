#include "cli/collection.h"

#include <gtest/gtest.h>

#include "cli/utf8_text.h"
#include "tests/database/test_support.h"

namespace pressling::cli {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Paths(const Collection& collection) {
  std::vector<std::string> paths;
  for (const Input& input : collection.inputs) paths.push_back(input.path);
  return paths;
}

// A tree with everything a folder walk must sort out.
class CollectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root / "b");
    fs::create_directories(root / "a" / "deep");
    for (const char* name : {"z.prc", "A.PRC", "b/y.Prc", "a/deep/x.prc", "a/old_comp.prc", "a/OLD_COMP.PRC",
                             "notes.txt", "prc"})
      test::WriteBytes(root / name, {1});
    fs::create_symlink("z.prc", root / "link.prc");
    fs::create_symlink("a", root / "folderlink.prc");
    fs::create_symlink("a", root / "folderlink");
  }
  std::string Root() const { return root.string(); }

  test::TempFolder folder;
  fs::path root = folder / "tree";
};

TEST_F(CollectionTest, FolderGivesItsDatabasesInNameOrderFolderByFolder) {
  const Collection found = Collect({Root()}, {});
  EXPECT_TRUE(found.errors.empty());
  // Links to folders are not followed, earlier outputs are skipped, a link to a file is an input.
  EXPECT_EQ(Paths(found), (std::vector<std::string>{Root() + "/A.PRC", Root() + "/a/deep/x.prc",
                                                    Root() + "/b/y.Prc", Root() + "/link.prc", Root() + "/z.prc"}));
  for (const Input& input : found.inputs) {
    EXPECT_TRUE(input.outputPath.empty());
    EXPECT_TRUE(input.refusal.empty());
  }
  // Named directly, an earlier output is converted like any other file.
  const Collection named = Collect({(root / "a" / "old_comp.prc").string()}, {});
  EXPECT_EQ(Paths(named), std::vector<std::string>{(root / "a" / "old_comp.prc").string()});
}

TEST_F(CollectionTest, OutputFolderMirrorsThePathBelowTheFolderArgument) {
  const fs::path out = folder / "out";
  const Collection found = Collect({Root(), (root / "b" / "y.Prc").string()}, out);
  ASSERT_EQ(found.inputs.size(), 6u);
  EXPECT_EQ(found.inputs[1].outputPath, out / "a" / "deep" / "x_comp.prc");
  EXPECT_EQ(found.inputs[2].outputPath, out / "b" / "y_comp.prc");
  // Given directly: straight into the output folder.
  EXPECT_EQ(found.inputs[5].outputPath, out / "y_comp.prc");
  EXPECT_TRUE(found.inputs[5].refusal.empty());
  EXPECT_FALSE(fs::exists(out)) << "collecting writes nothing";
}

TEST_F(CollectionTest, SecondInputWithTheSameOutputIsRefused) {
  test::WriteBytes(root / "b" / "y.PRC", {1});
  const std::string y = (root / "b" / "y.Prc").string();
  // Beside the inputs: y.Prc and y.PRC both give y_comp.prc; so does the same file named twice.
  Collection beside = Collect({(root / "b").string(), y, (root / "b" / "." / "y.Prc").string()}, {});
  ASSERT_EQ(beside.inputs.size(), 4u);
  EXPECT_TRUE(beside.inputs[0].refusal.empty());
  for (std::size_t i = 1; i < 4; ++i)
    EXPECT_NE(beside.inputs[i].refusal.find("would also be the output of " + (root / "b" / "y.PRC").string()),
              std::string::npos)
        << beside.inputs[i].refusal;
  // Into one output folder: two files of one name from different folders.
  test::WriteBytes(folder / "y.prc", {1});
  Collection into = Collect({y, (folder / "y.prc").string()}, folder / "out");
  EXPECT_TRUE(into.inputs[0].refusal.empty());
  EXPECT_EQ(into.inputs[1].refusal, "its output " + (folder / "out" / "y_comp.prc").string() +
                                        " would also be the output of " + y);
}

TEST_F(CollectionTest, BadArgumentsAreReportedAndTheOthersGoOn) {
  fs::create_symlink("loop2", folder / "loop1");
  fs::create_symlink("loop1", folder / "loop2");
  fs::create_symlink("self.prc", root / "b" / "self.prc");
  fs::create_directory(folder / "empty");
  test::WriteBytes(root / "b" / "bad\xff.prc", {1});
  const Collection found =
      Collect({(folder / "loop1").string(), (folder / "empty").string(), (root / "b").string()}, {});
  EXPECT_EQ(found.errors, (std::vector<std::string>{
                              "cannot follow " + (folder / "loop1").string() + ": Too many levels of symbolic links",
                              (folder / "empty").string() + ": no .prc file found below it",
                              "cannot follow the link " + (root / "b" / "self.prc").string() +
                                  ": Too many levels of symbolic links",
                          }));
  ASSERT_EQ(found.inputs.size(), 2u);
  EXPECT_EQ(found.inputs[0].refusal, "the name is not valid UTF-8");
  EXPECT_EQ(EscapeInvalidUtf8(found.inputs[0].path), (root / "b" / "bad\\xFF.prc").string());
  EXPECT_TRUE(found.inputs[1].refusal.empty());
}

TEST_F(CollectionTest, FolderThatHoldsTheOutputFolderIsRefused) {
  for (const fs::path& out : {root / "out", root / "a" / "new" / "deeper", root}) {
    const Collection found = Collect({Root(), (root / "z.prc").string()}, out);
    ASSERT_EQ(found.errors.size(), 1u) << out;
    EXPECT_EQ(found.errors[0], Root() + ": the output folder " + out.string() +
                                   " lies inside it, where the outputs would be taken for inputs; skipped");
    EXPECT_EQ(Paths(found), std::vector<std::string>{(root / "z.prc").string()});
  }
  // Reached through a link, the output folder still lies inside.
  EXPECT_EQ(Collect({Root()}, root / "folderlink" / "out").errors.size(), 1u);
  // A sibling whose name merely starts alike is outside.
  EXPECT_TRUE(Collect({Root()}, folder / "tree2").errors.empty());
}

TEST(Utf8TextTest, ValidAndInvalidSequences) {
  EXPECT_TRUE(IsValidUtf8("plain/アプリ 1.prc"));
  for (const char* bad : {"\xff", "\xc3", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "a\x80"})
    EXPECT_FALSE(IsValidUtf8(bad)) << EscapeInvalidUtf8(bad);
  EXPECT_EQ(EscapeInvalidUtf8("a\xffé\xc3"), "a\\xFFé\\xC3");
}

}  // namespace
}  // namespace pressling::cli
