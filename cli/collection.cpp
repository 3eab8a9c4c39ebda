#include "cli/collection.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <system_error>
#include <utility>

#include "cli/utf8_text.h"
#include "database/database_rebuild.h"
#include "workfolder/result.h"

namespace pressling::cli {

namespace fs = std::filesystem;

namespace {

bool IsEarlierOutput(const std::string& name) {
  if (name.size() < 9) return false;
  std::string ending = name.substr(name.size() - 9);
  for (char& c : ending)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ending == "_comp.prc";
}

// True when inner is outer or lies below it; both absolute and free of links.
bool IsInside(const fs::path& inner, const fs::path& outer) {
  return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end();
}

// Walks one folder argument, adding what it finds to a collection.
class FolderWalk {
 public:
  FolderWalk(const fs::path& outputDir, Collection& collection) : outputDir_(outputDir), collection_(collection) {}

  void Walk(const fs::path& folder, const fs::path& relative) {
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) return Fail("read the folder", folder, errno);
    // A bind mount can lead back to a folder above; links to folders are never followed.
    if (!visited_.emplace(st.st_dev, st.st_ino).second) {
      collection_.errors.push_back(folder.string() + ": the folder leads back to a folder above it; skipped");
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
    if (!EndsInPrc(name) || IsEarlierOutput(name)) return;
    if (type == fs::file_type::symlink) {
      const fs::file_status target = entry.status(ec);
      if (ec && ec.value() == ELOOP) return Fail("follow the link", entry.path(), ELOOP);
      if (fs::is_directory(target)) return;  // links to folders are not followed
    } else if (type != fs::file_type::regular) {
      return;
    }
    Input input{entry.path().string(), {}, {}};
    if (!outputDir_.empty()) input.outputPath = outputDir_ / OutputPathFor(relative.string());
    if (!IsValidUtf8(relative.string())) input.refusal = "the name is not valid UTF-8";
    collection_.inputs.push_back(std::move(input));
  }

  void Fail(std::string_view what, const fs::path& path, int errnum) {
    collection_.errors.push_back(FileFailure(what, path, errnum).message);
  }

  const fs::path& outputDir_;
  Collection& collection_;
  std::set<std::pair<dev_t, ino_t>> visited_;
};

// The folder argument's refusal when the output folder lies inside it.
std::string OutputInside(const std::string& folder, const fs::path& outputDir) {
  if (outputDir.empty()) return {};
  std::error_code ec;
  const fs::path tree = fs::canonical(folder, ec);
  const fs::path output = fs::weakly_canonical(fs::absolute(outputDir), ec);
  if (tree.empty() || !IsInside(output, tree)) return {};
  return folder + ": the output folder " + outputDir.string() +
         " lies inside it, where the outputs would be taken for inputs; skipped";
}

void AddArgument(const std::string& argument, const fs::path& outputDir, Collection& collection) {
  struct stat st;
  if (::stat(argument.c_str(), &st) != 0) {
    // A database that cannot be reached is left to its run, which reports why;
    // anything else may have been meant as a folder.
    const int err = errno;
    if (err == ELOOP || !EndsInPrc(argument)) {
      collection.errors.push_back(FileFailure(err == ELOOP ? "follow" : "read", argument, err).message);
      return;
    }
  } else if (S_ISDIR(st.st_mode)) {
    if (std::string inside = OutputInside(argument, outputDir); !inside.empty()) {
      collection.errors.push_back(std::move(inside));
      return;
    }
    const std::size_t before = collection.inputs.size();
    FolderWalk(outputDir, collection).Walk(argument, {});
    if (collection.inputs.size() == before) collection.errors.push_back(argument + ": no .prc file found below it");
    return;
  }
  Input input{argument, {}, {}};
  if (!outputDir.empty() && EndsInPrc(argument))
    input.outputPath = outputDir / OutputPathFor(fs::path(argument).filename().string());
  collection.inputs.push_back(std::move(input));
}

// The output's path with the links of its folder resolved, so that two
// spellings of one output compare equal; the folder's answer is kept.
fs::path OutputKey(const fs::path& output, std::map<fs::path, fs::path>& resolvedFolders) {
  const fs::path folder = fs::absolute(output).parent_path();
  auto [it, added] = resolvedFolders.try_emplace(folder);
  if (added) {
    std::error_code ec;
    it->second = fs::weakly_canonical(folder, ec);
    if (ec) it->second = folder.lexically_normal();
  }
  return it->second / output.filename();
}

void RefuseSharedOutputs(std::vector<Input>& inputs) {
  std::map<fs::path, const Input*> owners;
  std::map<fs::path, fs::path> resolvedFolders;
  for (Input& input : inputs) {
    if (!input.refusal.empty() || !EndsInPrc(input.path)) continue;
    const fs::path output = input.outputPath.empty() ? OutputPathFor(input.path) : input.outputPath;
    auto [it, added] = owners.try_emplace(OutputKey(output, resolvedFolders), &input);
    if (!added) input.refusal = "its output " + output.string() + " would also be the output of " + it->second->path;
  }
}

}  // namespace

Collection Collect(const std::vector<std::string>& arguments, const fs::path& outputDir) {
  Collection collection;
  for (const std::string& argument : arguments) AddArgument(argument, outputDir, collection);
  RefuseSharedOutputs(collection.inputs);
  return collection;
}

}  // namespace pressling::cli
