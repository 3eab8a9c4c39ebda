// Hostile resource types and input paths: a run writes nothing but its
// private directory (inside TMPDIR) and the output beside the path it was
// given, whatever the names hold. The preloaded shim logs every operation
// that creates, changes or removes something, on any path.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/hardening/cli_scene.h"
#include "tests/hardening/conversion_check.h"
#include "tests/hardening/prc_model.h"
#include "tests/hardening/worked_examples.h"

namespace fs = std::filesystem;

namespace pressling::hardening {
namespace {

// A snapshot of the scene without capture/, where the child's streams go.
std::map<std::string, std::string> SceneSnapshot(const CliScene& scene) {
  auto entries = Snapshot(scene.root());
  std::erase_if(entries, [](const auto& entry) { return entry.first.rfind("capture", 0) == 0; });
  return entries;
}

// A current directory holding what a careless run would clobber.
fs::path CurrentDirectory(const CliScene& scene) {
  const fs::path cwd = scene.root() / "cwd";
  fs::create_directories(cwd / "tmp");
  PutFile(cwd / "tmp" / "notes.txt", {'k', 'e', 'e', 'p'});
  PutFile(cwd / "~bmp", {'m', 'i', 'n', 'e'});
  return cwd;
}

// Runs pressling-cli with args and expects exactly one change: output added,
// a correct conversion of input; every write the shim logged lies inside
// TMPDIR or is the output, or a temporary file beside it that is gone again.
void ExpectOnlyOutput(CliScene& scene, const std::vector<std::string>& args, const fs::path& cwd, const fs::path& input,
                      const fs::path& output) {
  const auto database = FileBytes(input);
  const auto before = SceneSnapshot(scene);
  const ChildRun run = scene.Run(args, cwd);
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  const auto after = SceneSnapshot(scene);
  const std::string added = output.lexically_relative(scene.root()).string();
  EXPECT_EQ(Changes(before, after), "added " + added + " (" + after.at(added) + ")\n");
  EXPECT_EQ(CheckConvertedOutput(database, FileBytes(output)), "");
  EXPECT_EQ(FileBytes(input), database);
  EXPECT_EQ(FolderNames(scene.tmp()), std::vector<std::string>{});
  ASSERT_FALSE(scene.report().log.empty()) << "the shim logged nothing";
  EXPECT_EQ(scene.StrayWrites(input, output), "");
}

TEST(HostileNames, ResourceTypesNeverNameAFileOutsideThePrivateDirectory) {
  CliScene scene("hostile-types");
  const fs::path input = scene.in() / "types.prc";
  // A lossy escape would give the first three the same piece name.
  PutFile(input, BuildPrc("Types", {
                                       {"a/b.", 7, {1, 2, 3}},
                                       {"a?b.", 7, {4, 5, 6}},
                                       {"a_b.", 7, {7, 8, 9}},
                                       {"../.", 7, {10}},
                                       {"/..\\", 7, {11}},
                                       {std::string("\0\0\0\0", 4), 7, {12}},
                                       {std::string("..\0/", 4), 7, {13}},
                                       {"\x01\n\x1b\x7f", 7, {14}},
                                       {"%2F.", 7, {15}},
                                       {"\xff\xfe*:", 7, {16}},
                                       {"Tbmp", 7, WorkedExampleBitmap()},
                                   }));
  ExpectOnlyOutput(scene, {input.string()}, CurrentDirectory(scene), input, scene.in() / "types_comp.prc");
}

TEST(HostileNames, PathsWithSpacesAndJapanese) {
  CliScene scene("paths");
  const fs::path folder = scene.in() / "my folder" / "日本語 フォルダ";
  fs::create_directories(folder);
  const fs::path input = folder / "アプリ 1.prc";
  PutFile(input, MixedDatabase());
  ExpectOnlyOutput(scene, {input.string()}, CurrentDirectory(scene), input, folder / "アプリ 1_comp.prc");
}

TEST(HostileNames, LeadingDash) {
  CliScene scene("dash");
  const fs::path input = scene.in() / "-x.prc";
  PutFile(input, MixedDatabase());
  ExpectOnlyOutput(scene, {"./-x.prc"}, scene.in(), input, scene.in() / "-x_comp.prc");
  fs::remove(scene.in() / "-x_comp.prc");
  ExpectOnlyOutput(scene, {"--", "-x.prc"}, scene.in(), input, scene.in() / "-x_comp.prc");
  fs::remove(scene.in() / "-x_comp.prc");

  // Without "--" the name is an unknown option: a usage error that touches nothing.
  const auto before = SceneSnapshot(scene);
  const ChildRun run = scene.Run({"-x.prc"}, scene.in());
  EXPECT_EQ(run.exitCode, 2) << run.out << run.err;
  EXPECT_EQ(Changes(before, SceneSnapshot(scene)), "");
}

TEST(HostileNames, TheLongestNameWhoseOutputNameFits) {
  CliScene scene("long");
  // 246 + ".prc" gives an output name of 246 + "_comp.prc": 255 bytes, the most a name may have.
  const fs::path input = scene.in() / (std::string(246, 'a') + ".prc");
  PutFile(input, MixedDatabase());
  ExpectOnlyOutput(scene, {input.string()}, CurrentDirectory(scene), input,
                   scene.in() / (std::string(246, 'a') + "_comp.prc"));
}

TEST(HostileNames, OutputGoesBesideTheLinkTheUserGave) {
  CliScene scene("symlink");
  fs::create_directory(scene.in() / "real");
  fs::create_directory(scene.in() / "links");
  const fs::path target = scene.in() / "real" / "target.prc";
  PutFile(target, MixedDatabase());
  const fs::path link = scene.in() / "links" / "link.prc";
  fs::create_symlink(target, link);
  ExpectOnlyOutput(scene, {link.string()}, CurrentDirectory(scene), link, scene.in() / "links" / "link_comp.prc");
  EXPECT_EQ(FolderNames(scene.in() / "real"), std::vector<std::string>{"target.prc"});
}

TEST(HostileNames, AnOutputNameTakenByALinkNeverWritesThroughIt) {
  CliScene scene("output-link");
  const fs::path victim = scene.root() / "victim.txt";
  PutFile(victim, {'s', 'a', 'f', 'e'});
  const fs::path input = scene.in() / "x.prc";
  PutFile(input, MixedDatabase());
  fs::create_symlink(victim, scene.in() / "x_comp.prc");
  const ChildRun run = scene.Run({input.string()}, CurrentDirectory(scene));
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(FileBytes(victim), (std::vector<std::uint8_t>{'s', 'a', 'f', 'e'}));
  EXPECT_FALSE(fs::is_symlink(scene.in() / "x_comp.prc"));
  EXPECT_EQ(CheckConvertedOutput(MixedDatabase(), FileBytes(scene.in() / "x_comp.prc")), "");
}

TEST(HostileNames, AnInputThatIsALinkToItsOwnOutputNameIsNeverReplaced) {
  CliScene scene("self-link");
  // Converting would replace real_comp.prc; a run without effect would delete it.
  std::vector<std::uint8_t> noise(4000);
  std::uint32_t seed = 3;
  for (auto& b : noise) b = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  const fs::path cwd = CurrentDirectory(scene);
  for (const auto& database : {MixedDatabase(), BuildPrc("Noise", {{"code", 1, noise}})}) {
    const fs::path real = scene.in() / "real_comp.prc";
    PutFile(real, database);
    fs::create_symlink("real_comp.prc", scene.in() / "real.prc");
    const auto before = SceneSnapshot(scene);
    const ChildRun run = scene.Run({(scene.in() / "real.prc").string()}, cwd);
    EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
    EXPECT_EQ(Changes(before, SceneSnapshot(scene)), "");
    EXPECT_EQ(FileBytes(real), database);
    fs::remove(scene.in() / "real.prc");
  }
}

TEST(HostileNames, InputsThatAreNoRegularFileAreNeverWaitedOnOrWritten) {
  CliScene scene("special");
  const fs::path fifo = scene.in() / "fifo.prc";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  fs::create_directory(scene.in() / "folder.prc");
  fs::create_symlink("/dev/zero", scene.in() / "zero.prc");
  fs::create_symlink(scene.in() / "missing", scene.in() / "dangling.prc");
  const fs::path cwd = CurrentDirectory(scene);
  for (const char* name : {"fifo.prc", "folder.prc", "zero.prc", "dangling.prc"}) {
    const auto before = SceneSnapshot(scene);
    const ChildRun run = scene.Run({(scene.in() / name).string()}, cwd);
    EXPECT_EQ(run.exitCode, 1) << name << "\n" << run.out << run.err;
    // A folder is searched for databases, whatever its name.
    if (std::string(name) == "folder.prc") {
      EXPECT_NE(run.err.find("no .prc file found below it"), std::string::npos) << run.err;
    } else {
      EXPECT_NE(run.out.find("ファイル作成しませんでした"), std::string::npos) << name << "\n" << run.out;
    }
    EXPECT_EQ(Changes(before, SceneSnapshot(scene)), "") << name;
    EXPECT_EQ(FolderNames(scene.tmp()), std::vector<std::string>{}) << name;
  }
}

}  // namespace
}  // namespace pressling::hardening
