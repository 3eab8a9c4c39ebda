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

TEST_F(CollectionTest, OutputFolderBelowAFolderArgumentIsLeftOut) {
  const std::vector<std::string> all = Paths(Collect({Root()}, {}));
  // Earlier outputs and a stray database in the output folders, one of them deep in the tree.
  fs::create_directories(root / "out" / "a");
  fs::create_directories(root / "b" / "new");
  for (const char* name : {"out/a/x_comp.prc", "out/stray.prc", "b/new/stray.PRC"}) test::WriteBytes(root / name, {1});
  fs::create_symlink(root / "out", folder / "outlink");
  std::vector<std::string> withDeepStray = all;
  withDeepStray.insert(withDeepStray.begin() + 2, Root() + "/b/new/stray.PRC");
  for (const std::string& out : {Root() + "/out", Root() + "/out/", Root() + "/./out", (folder / "outlink").string()}) {
    const Collection found = Collect({Root()}, out);
    EXPECT_TRUE(found.errors.empty()) << out;
    EXPECT_EQ(Paths(found), withDeepStray) << out;
    EXPECT_EQ(found.inputs[1].outputPath, fs::path(out) / "a" / "deep" / "x_comp.prc");
  }
  std::vector<std::string> withTopStray = all;
  withTopStray.insert(withTopStray.end() - 1, Root() + "/out/stray.prc");
  EXPECT_EQ(Paths(Collect({Root()}, root / "b" / "new")), withTopStray);
  // Only the output folder itself: a folder of another name is walked, and so
  // is the output folder when it is the folder argument.
  EXPECT_EQ(Collect({Root()}, folder / "elsewhere").inputs.size(), all.size() + 2);
  EXPECT_EQ(Paths(Collect({(root / "out").string()}, root / "out")),
            std::vector<std::string>{(root / "out" / "stray.prc").string()});
  // The output folder the same as the folder argument: outputs beside the inputs.
  const Collection beside = Collect({Root()}, root);
  EXPECT_EQ(beside.inputs.size(), all.size() + 2);
  EXPECT_EQ(beside.inputs[0].outputPath, root / "A_comp.prc");
}

TEST_F(CollectionTest, FileWhoseOutputWouldReplaceAnInputIsRefused) {
  test::WriteBytes(root / "z_comp.prc", {1});
  const std::string z = (root / "z.prc").string();
  const std::string zComp = (root / "." / "z_comp.prc").string();
  // Beside the input, in either order, and when z.prc is found in a folder.
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {z, zComp, (root / "A.PRC").string()}, {zComp, z, (root / "A.PRC").string()}, {zComp, Root()}}) {
    const Collection found = Collect(arguments, {});
    EXPECT_TRUE(found.errors.empty());
    for (const Input& input : found.inputs) {
      if (input.path == z)
        EXPECT_EQ(input.refusal, "its output " + (root / "z_comp.prc").string() + " would replace " + zComp +
                                     ", an input of this run");
      else
        EXPECT_EQ(input.refusal, "") << input.path;
    }
  }
  // Into an output folder reached through a link, from a folder argument.
  fs::create_directory(folder / "out");
  fs::create_symlink(folder / "out", folder / "outlink");
  test::WriteBytes(folder / "out" / "A_comp.prc", {1});
  const Collection into = Collect({(folder / "out" / "A_comp.prc").string(), Root()}, folder / "outlink");
  ASSERT_EQ(into.inputs.size(), 6u);
  EXPECT_EQ(into.inputs[1].refusal, "its output " + (folder / "outlink" / "A_comp.prc").string() + " would replace " +
                                        (folder / "out" / "A_comp.prc").string() + ", an input of this run");
  EXPECT_EQ(into.inputs[0].refusal, "");
  EXPECT_EQ(into.inputs[2].refusal, "");
}

TEST(Utf8TextTest, ValidAndInvalidSequences) {
  EXPECT_TRUE(IsValidUtf8("plain/アプリ 1.prc"));
  for (const char* bad : {"\xff", "\xc3", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "a\x80"})
    EXPECT_FALSE(IsValidUtf8(bad)) << EscapeInvalidUtf8(bad);
  EXPECT_EQ(EscapeInvalidUtf8("a\xffé\xc3"), "a\\xFFé\\xC3");
}

}  // namespace
}  // namespace pressling::cli
