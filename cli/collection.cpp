#include "cli/collection.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <set>
#include <system_error>
#include <utility>

#include "archive/archive_rules.h"
#include "cli/utf8_text.h"
#include "database/database_rebuild.h"
#include "workfolder/result.h"

namespace pressling::cli {

namespace fs = std::filesystem;

namespace {

bool IsEarlierOutput(const std::string& name) {
  if (IsEarlierArchiveOutput(name)) return true;
  if (name.size() < 9) return false;
  std::string ending = name.substr(name.size() - 9);
  for (char& c : ending)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ending == "_comp.prc";
}

// A database or an archive of databases.
bool IsInputName(std::string_view name) { return EndsInPrc(name) || EndsInZip(name); }

fs::path OutputFor(const std::string& path) {
  return EndsInZip(path) ? fs::path(ArchiveOutputPathFor(path)) : OutputPathFor(path);
}

using FolderId = std::pair<dev_t, ino_t>;

// The output folder as the walk meets it: its device and inode, so that every
// spelling of it (a trailing slash, "./", a link) is the same folder. None
// when it does not exist yet, since the walk ends before it is made.
std::optional<FolderId> OutputFolderId(const fs::path& outputDir) {
  struct stat st;
  if (outputDir.empty() || ::stat(outputDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return FolderId{st.st_dev, st.st_ino};
}

void AddError(Collection& collection, const Message& error) {
  collection.errors.push_back(error.English());
  collection.errorTexts.push_back(error);
}

void Refuse(Input& input, const Message& refusal) {
  input.refusal = refusal.English();
  input.refusalText = refusal;
}

// Walks one folder argument, adding what it finds to a collection.
class FolderWalk {
 public:
  FolderWalk(const fs::path& outputDir, Collection& collection)
      : outputDir_(outputDir), outputId_(OutputFolderId(outputDir)), collection_(collection) {}

  void Walk(const fs::path& folder, const fs::path& relative) {
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) return Fail("read the folder", folder, errno);
    // Below the folder argument the output folder is left out: what lies there
    // are outputs, of this run or an earlier one. The argument itself is still
    // walked when it is the output folder, as outputs then lie beside inputs.
    if (!relative.empty() && outputId_ == FolderId{st.st_dev, st.st_ino}) return;
    // A bind mount can lead back to a folder above; links to folders are never followed.
    if (!visited_.emplace(st.st_dev, st.st_ino).second) {
      AddError(collection_, Msg("%s: the folder leads back to a folder above it; skipped", {folder.string()}));
      return;
    }
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
    if (ec) return Fail("read the folder", folder, ec.value());
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename().native() < b.path().filename().native(); });
    for (const fs::directory_entry& entry : entries) Visit(entry, relative / entry.path().filename());
  }

 private:
  void Visit(const fs::directory_entry& entry, const fs::path& relative) {
    std::error_code ec;
    const fs::file_type type = entry.symlink_status(ec).type();
    if (type == fs::file_type::directory) return Walk(entry.path(), relative);
    const std::string name = entry.path().filename().string();
    if (!IsInputName(name) || IsEarlierOutput(name)) return;
    if (type == fs::file_type::symlink) {
      const fs::file_status target = entry.status(ec);
      if (ec && ec.value() == ELOOP) return Fail("follow the link", entry.path(), ELOOP);
      if (fs::is_directory(target)) return;  // links to folders are not followed
    } else if (type != fs::file_type::regular) {
      return;
    }
    Input input{entry.path().string(), {}, {}, {}};
    if (!outputDir_.empty()) input.outputPath = outputDir_ / OutputFor(relative.string());
    if (!IsValidUtf8(relative.string())) Refuse(input, Msg("the name is not valid UTF-8"));
    collection_.inputs.push_back(std::move(input));
  }

  void Fail(std::string_view what, const fs::path& path, int errnum) {
    AddError(collection_, FileFailure(what, path, errnum).text);
  }

  const fs::path& outputDir_;
  const std::optional<FolderId> outputId_;
  Collection& collection_;
  std::set<FolderId> visited_;
};

void AddArgument(const std::string& argument, const fs::path& outputDir, Collection& collection) {
  struct stat st;
  if (::stat(argument.c_str(), &st) != 0) {
    // A database that cannot be reached is left to its run, which reports why;
    // anything else may have been meant as a folder.
    const int err = errno;
    if (err == ELOOP || !IsInputName(argument)) {
      AddError(collection, FileFailure(err == ELOOP ? "follow" : "read", argument, err).text);
      return;
    }
  } else if (S_ISDIR(st.st_mode)) {
    const std::size_t before = collection.inputs.size();
    FolderWalk(outputDir, collection).Walk(argument, {});
    if (collection.inputs.size() == before) AddError(collection, Msg("%s: no .prc file found below it", {argument}));
    return;
  }
  Input input{argument, {}, {}, {}};
  if (!outputDir.empty() && IsInputName(argument))
    input.outputPath = outputDir / OutputFor(fs::path(argument).filename().string());
  collection.inputs.push_back(std::move(input));
}

// A path with the links of its folder resolved, so that two
// spellings of one file compare equal; the folder's answer is kept.
fs::path PathKey(const fs::path& path, std::map<fs::path, fs::path>& resolvedFolders) {
  const fs::path folder = fs::absolute(path).parent_path();
  auto [it, added] = resolvedFolders.try_emplace(folder);
  if (added) {
    std::error_code ec;
    it->second = fs::weakly_canonical(folder, ec);
    if (ec) it->second = folder.lexically_normal();
  }
  return it->second / path.filename();
}

// Refuses a file whose output would replace one of the run's inputs, which
// only a "*_comp.prc" or "*_comp.zip" named directly can be, and the second
// of two files with one output. Both compare paths with the links of their
// folders resolved.
void RefuseClashingOutputs(std::vector<Input>& inputs) {
  std::map<fs::path, fs::path> resolvedFolders;
  // Outputs are all named "*_comp.prc" or "*_comp.zip", so only inputs named so can be replaced.
  std::map<fs::path, const Input*> named;
  for (const Input& input : inputs)
    if (IsEarlierOutput(fs::path(input.path).filename().string()))
      named.try_emplace(PathKey(input.path, resolvedFolders), &input);
  std::map<fs::path, const Input*> owners;
  for (Input& input : inputs) {
    if (!input.refusal.empty() || !IsInputName(input.path)) continue;
    const fs::path output = input.outputPath.empty() ? OutputFor(input.path) : input.outputPath;
    const fs::path key = PathKey(output, resolvedFolders);
    if (auto it = named.find(key); it != named.end()) {
      Refuse(input, Msg("its output %s would replace %s, an input of this run", {output.string(), it->second->path}));
      continue;
    }
    auto [it, added] = owners.try_emplace(key, &input);
    if (!added) Refuse(input, Msg("its output %s would also be the output of %s", {output.string(), it->second->path}));
  }
}

}  // namespace

Collection Collect(const std::vector<std::string>& arguments, const fs::path& outputDir) {
  Collection collection;
  for (const std::string& argument : arguments) AddArgument(argument, outputDir, collection);
  RefuseClashingOutputs(collection.inputs);
  return collection;
}

}  // namespace pressling::cli
