#include "archive/archive_rules.h"

#include <cmath>

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

}  // namespace

bool EndsInZip(std::string_view name) { return EndsInLowered(name, ".zip"); }

bool IsEarlierArchiveOutput(std::string_view name) { return EndsInLowered(name, "_comp.zip"); }

std::string ArchiveOutputPathFor(std::string_view inputPath) {
  return std::string(inputPath.substr(0, inputPath.size() < 4 ? 0 : inputPath.size() - 4)) + "_comp.zip";
}

bool IsDatabaseEntry(std::string_view entryName) { return EndsInLowered(entryName, ".prc"); }

std::string EntryLabel(std::string_view archiveName, std::string_view entryName) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string label(archiveName);
  label += ':';
  for (char c : entryName) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      label += "\\x";
      label += kHex[byte >> 4];
      label += kHex[byte & 15];
    } else {
      label += c;
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

std::string EntryOutcomeText(EntryOutcome outcome, const Language& language) {
  switch (outcome) {
    case EntryOutcome::ChecksumMismatch:
      return language.Tr("Its data do not match the stored checksum; copied as it was");
    case EntryOutcome::OverLimit:
      return language.Tr("It inflates to more than 64 MiB; copied as it was");
    case EntryOutcome::Unreadable:
      return language.Tr("Its data cannot be inflated; copied as it was");
    case EntryOutcome::Encrypted:
      return language.Tr("Encrypted; left alone");
    case EntryOutcome::UnknownMethod:
      return language.Tr("Compressed by a method that cannot be read; left alone");
    case EntryOutcome::Converted:
    case EntryOutcome::NoEffect:
    case EntryOutcome::Refused:
      break;
  }
  return {};
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
  lines.push_back(language.Trf("Databases unpacked: %s bytes", {std::to_string(totals.unpackedBefore)}));
  switch (end) {
    case ArchiveEnd::Written: {
      lines.push_back(language.Trf("After conversion: %s bytes", {std::to_string(totals.unpackedAfter)}));
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

std::string NotArchiveText(const Language& language) { return language.Tr("Not a zip archive, or a damaged one"); }

std::string ArchiveFailureText(const Language& language) { return language.Tr("The archive could not be processed"); }

}  // namespace pressling
