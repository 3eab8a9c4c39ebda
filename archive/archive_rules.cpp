#include "archive/archive_rules.h"

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace pressling {

namespace {

bool EndsInLowered(std::string_view name, std::string_view ending) {
  if (name.size() < ending.size()) return false;
  const std::string_view tail = name.substr(name.size() - ending.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != ending[i]) return false;
  }
  return true;
}

// The length of the well-formed UTF-8 sequence text starts with; 0 when it
// starts with none (a stray byte, an overlong form, a surrogate, past U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char first = at(0);
  if (first < 0x80) return 1;
  std::size_t length = first >= 0xc2 && first <= 0xdf   ? 2
                       : first >= 0xe0 && first <= 0xef ? 3
                       : first >= 0xf0 && first <= 0xf4 ? 4
                                                        : 0;
  if (length == 0 || text.size() < length) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((at(k) & 0xc0) != 0x80) return 0;
  if ((first == 0xe0 && at(1) < 0xa0) || (first == 0xed && at(1) >= 0xa0) || (first == 0xf0 && at(1) < 0x90) ||
      (first == 0xf4 && at(1) >= 0x90))
    return 0;
  return length;
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceLength(text.substr(i));
    if (length == 0) return false;
    i += length;
  }
  return true;
}

// text read as code page 932, the names of Japanese archivers that set no
// UTF-8 flag; nothing when some byte does not decode.
std::optional<std::string> FromCp932(std::string_view text) {
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(text.size() * 3, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  const std::size_t converted = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  ::iconv_close(cd);
  if (converted == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

bool EndsInZip(std::string_view name) { return EndsInLowered(name, ".zip"); }

bool IsEarlierArchiveOutput(std::string_view name) { return EndsInLowered(name, "_comp.zip"); }

std::string ArchiveOutputPathFor(std::string_view inputPath) {
  return std::string(inputPath.substr(0, inputPath.size() < 4 ? 0 : inputPath.size() - 4)) + "_comp.zip";
}

bool IsDatabaseEntry(std::string_view entryName) { return EndsInLowered(entryName, ".prc"); }

std::string EntryLabel(std::string_view archiveName, std::string_view stored) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string label(archiveName);
  label += ':';
  const std::optional<std::string> decoded = IsUtf8(stored) ? std::nullopt : FromCp932(stored);
  const std::string_view entryName = decoded ? std::string_view(*decoded) : stored;
  const auto escape = [&](unsigned char byte) {
    label += "\\x";
    label += kHex[byte >> 4];
    label += kHex[byte & 15];
  };
  for (std::size_t i = 0; i < entryName.size();) {
    const std::size_t length = Utf8SequenceLength(entryName.substr(i));
    const auto first = static_cast<unsigned char>(entryName[i]);
    // C1 controls (U+0080 to U+009F) move a terminal's cursor as C0 ones do.
    const bool control = length == 1
                             ? first < 0x20 || first == 0x7f
                             : length == 2 && first == 0xc2 && static_cast<unsigned char>(entryName[i + 1]) < 0xa0;
    if (length == 0 || control) {
      for (std::size_t k = 0; k < std::max<std::size_t>(length, 1); ++k)
        escape(static_cast<unsigned char>(entryName[i + k]));
      i += std::max<std::size_t>(length, 1);
    } else {
      label.append(entryName.substr(i, length));
      i += length;
    }
  }
  return label;
}

bool IsRefusal(EntryOutcome outcome) {
  switch (outcome) {
    case EntryOutcome::Refused:
    case EntryOutcome::ChecksumMismatch:
    case EntryOutcome::OverLimit:
    case EntryOutcome::Unreadable:
      return true;
    case EntryOutcome::Converted:
    case EntryOutcome::NoEffect:
    case EntryOutcome::Encrypted:
    case EntryOutcome::UnknownMethod:
      break;
  }
  return false;
}

Message EntryOutcomeMessage(EntryOutcome outcome) {
  switch (outcome) {
    case EntryOutcome::ChecksumMismatch:
      return Msg("Its data do not match the stored checksum; copied as it was");
    case EntryOutcome::OverLimit:
      return Msg("It inflates to more than 64 MiB; copied as it was");
    case EntryOutcome::Unreadable:
      return Msg("Its data cannot be inflated; copied as it was");
    case EntryOutcome::Encrypted:
      return Msg("Encrypted; left alone");
    case EntryOutcome::UnknownMethod:
      return Msg("Compressed by a method that cannot be read; left alone");
    case EntryOutcome::Converted:
    case EntryOutcome::NoEffect:
    case EntryOutcome::Refused:
      break;
  }
  return {};
}

std::string EntryOutcomeText(EntryOutcome outcome, const Language& language) {
  return EntryOutcomeMessage(outcome).In(language);
}

ArchiveTotals SumEntries(std::span<const EntryFigures> entries, std::uint64_t archiveBefore) {
  ArchiveTotals totals;
  totals.archiveBefore = archiveBefore;
  for (const EntryFigures& entry : entries) {
    ++totals.databases;
    if (entry.outcome == EntryOutcome::Converted)
      ++totals.converted;
    else if (entry.outcome == EntryOutcome::NoEffect)
      ++totals.noEffect;
    else if (IsRefusal(entry.outcome))
      ++totals.refused;
    else
      ++totals.leftAlone;
    if (entry.before > kInflateLimit) continue;  // no database a device can hold
    totals.unpackedBefore += entry.before;
    totals.unpackedAfter += entry.outcome == EntryOutcome::Converted ? entry.after : entry.before;
  }
  return totals;
}

std::vector<std::string> ArchiveReportLines(std::string_view archiveName, ArchiveEnd end, const ArchiveTotals& totals,
                                            std::string_view refusal, const Language& language) {
  std::vector<std::string> lines;
  lines.push_back(language.Trf("Archive: %s", {archiveName}));
  // Ten-digit sizes fit the window's panel only on lines of their own, with
  // the unit said once above them.
  // TRANSLATORS: the heading of the two sizes below it, which carry no unit of their own.
  lines.push_back(language.Tr("Databases unpacked (bytes)"));
  // TRANSLATORS: the bytes the archive's databases take unpacked, before the conversion.
  lines.push_back(Substitute(language.TrC("archive report", "Before: %s"), {std::to_string(totals.unpackedBefore)}));
  switch (end) {
    case ArchiveEnd::Written: {
      // TRANSLATORS: the bytes the archive's databases take unpacked, after the conversion.
      lines.push_back(Substitute(language.TrC("archive report", "After: %s"), {std::to_string(totals.unpackedAfter)}));
      const double ratio = totals.unpackedBefore == 0 ? 100.0
                                                      : static_cast<double>(totals.unpackedAfter) /
                                                            static_cast<double>(totals.unpackedBefore) * 100;
      lines.push_back(language.Trf("Ratio: %s %%", {language.Decimal(std::llround(ratio * 10))}));
      break;
    }
    case ArchiveEnd::NoEffect:
      lines.push_back(language.Tr("No database was made smaller"));
      lines.push_back(language.Tr("No archive was written"));
      break;
    case ArchiveEnd::Refused:
    case ArchiveEnd::Failed:
      lines.push_back(std::string(refusal));
      lines.push_back(language.Tr("No archive was written"));
      break;
  }
  return lines;
}

std::vector<std::string> ArchiveSizeLines(const ArchiveTotals& totals, const Language& language) {
  std::vector<std::string> lines;
  if (totals.archiveAfter == 0) return lines;
  lines.push_back(language.Trf("Archive file: %1$s bytes before, %2$s bytes after",
                               {std::to_string(totals.archiveBefore), std::to_string(totals.archiveAfter)}));
  if (totals.archiveAfter > totals.archiveBefore)
    lines.push_back(
        language.Trf("The new archive is %s bytes larger than the old one: zip already shrinks raw bitmaps, "
                     "and the saving is on the device",
                     {std::to_string(totals.archiveAfter - totals.archiveBefore)}));
  return lines;
}

std::string NotArchiveText(const Language& language) { return language.Tr("Not a valid zip archive"); }

std::string ArchiveFailureText(const Language& language) { return language.Tr("Archive processing failed"); }

}  // namespace pressling
