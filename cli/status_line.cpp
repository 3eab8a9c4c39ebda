#include "cli/status_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "cli/utf8_text.h"

namespace pressling::cli {

namespace {

constexpr std::size_t kDefaultColumns = 80;
constexpr const char* kEraseLine = "\r\033[K";

std::size_t TerminalColumns() {
  struct winsize size {};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return kDefaultColumns;
}

// One character of text as shown and the columns it takes.
struct Shown {
  std::string text;
  std::size_t columns;
};

std::vector<Shown> ShownCharacters(const std::string& text) {
  std::vector<Shown> shown;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = Utf8CharacterLength(std::string_view(text).substr(i));
    if (length == 0 || lead < 0x20 || lead == 0x7F) {
      shown.push_back({"?", 1});
      ++i;
      continue;
    }
    shown.push_back({text.substr(i, length), lead >= 0xE1 ? 2u : 1u});  // from U+1000 on
    i += length;
  }
  return shown;
}

}  // namespace

std::string FitToColumns(const std::string& text, std::size_t columns) {
  const std::vector<Shown> shown = ShownCharacters(text);
  std::size_t total = 0;
  for (const Shown& c : shown) total += c.columns;
  std::size_t first = 0;
  if (total > columns) {
    // Keep the end, where the file's own name is, behind "…" (one column).
    while (first < shown.size() && total + 1 > columns) total -= shown[first++].columns;
  }
  std::string out = first > 0 ? "…" : "";
  for (std::size_t i = first; i < shown.size(); ++i) out += shown[i].text;
  return out;
}

StatusLine::StatusLine(bool showProgress, std::size_t total)
    : show_(showProgress && ::isatty(STDERR_FILENO)),
      total_(total),
      columns_(show_ ? TerminalColumns() : kDefaultColumns) {}

void StatusLine::Started(const std::string& name) {
  std::lock_guard lock(mutex_);
  current_ = name;
  Draw();
}

void StatusLine::Finished() {
  std::lock_guard lock(mutex_);
  ++finished_;
  Draw();
}

void StatusLine::Message(const std::string& line) {
  std::lock_guard lock(mutex_);
  Erase();
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
  Draw();
}

void StatusLine::Close() {
  std::lock_guard lock(mutex_);
  Erase();
  show_ = false;
}

void StatusLine::Erase() {
  if (drawn_) std::fputs(kEraseLine, stderr);
  drawn_ = false;
}

void StatusLine::Draw() {
  if (!show_) return;
  const std::string count = "[" + std::to_string(finished_) + "/" + std::to_string(total_) + "] ";
  // The last column stays free: a full line would wrap on some terminals.
  const std::size_t room = columns_ > count.size() + 1 ? columns_ - count.size() - 1 : 0;
  std::fputs(kEraseLine, stderr);
  std::fputs((count + FitToColumns(current_, room)).c_str(), stderr);
  std::fflush(stderr);
  drawn_ = true;
}

}  // namespace pressling::cli
