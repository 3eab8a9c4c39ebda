#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "language/language.h"
#include "language/message.h"

namespace pressling {

// The rules of archive conversion, shared by the native programs and the page:
// which entries are converted, the output's name, the limits and the report.
// Only the standard library: no zip code and no file-system calls.

// Inflating an entry stops here whatever its header says: far more than any
// database a Palm device can hold, and a fixed bound on memory and time.
inline constexpr std::uint64_t kInflateLimit = 64ull << 20;

// True when name ends in ".zip" in any letter case.
bool EndsInZip(std::string_view name);
// True for an earlier output: a name ending in "_comp.zip" in any letter case.
bool IsEarlierArchiveOutput(std::string_view name);
// The input path without its last four characters, followed by "_comp.zip".
std::string ArchiveOutputPathFor(std::string_view inputPath);

// An entry that is converted: its name ends in ".prc" in any letter case, at
// any depth. The name is only looked at, never used as a path.
bool IsDatabaseEntry(std::string_view entryName);

// "ARCHIVE.zip:path/in/archive.prc" for the report and messages. A name that
// is no valid UTF-8 is read as code page 932 where it decodes so; control
// characters and bytes that still decode as nothing are shown as \xNN.
std::string EntryLabel(std::string_view archiveName, std::string_view entryName);

// What became of one database entry.
enum class EntryOutcome {
  Converted,         // made smaller; stored converted under its name
  NoEffect,          // not made smaller; copied as it was
  Refused,           // not accepted by the conversion; copied as it was
  ChecksumMismatch,  // its data do not match the stored checksum; copied as it was
  OverLimit,         // inflates to more than kInflateLimit; copied as it was
  Unreadable,        // its data cannot be inflated; copied as it was
  Encrypted,         // left alone
  UnknownMethod,     // compressed by a method that cannot be inflated; left alone
};

// Faults of the entry itself count as refused, as a refused file does.
bool IsRefusal(EntryOutcome outcome);

// One line saying why an entry that never reached the conversion was copied or
// left alone, as a message and in language.
Message EntryOutcomeMessage(EntryOutcome outcome);
std::string EntryOutcomeText(EntryOutcome outcome, const Language& language);

// The figures of one database entry: its unpacked bytes before and after.
// Entries that were never inflated count with their stored size, unless that
// passes the limit.
struct EntryFigures {
  EntryOutcome outcome = EntryOutcome::NoEffect;
  std::uint64_t before = 0;
  std::uint64_t after = 0;
};

// What an archive run adds up to.
struct ArchiveTotals {
  std::uint64_t databases = 0;
  std::uint64_t converted = 0;
  std::uint64_t noEffect = 0;
  std::uint64_t refused = 0;
  std::uint64_t leftAlone = 0;
  std::uint64_t unpackedBefore = 0;  // bytes the databases take unpacked, on a device
  std::uint64_t unpackedAfter = 0;
  std::uint64_t archiveBefore = 0;  // the archive file's own length
  std::uint64_t archiveAfter = 0;   // the new archive's length; 0 when none was made
};

ArchiveTotals SumEntries(std::span<const EntryFigures> entries, std::uint64_t archiveBefore);

// An archive has an effect when at least one database was made smaller;
// otherwise no archive is written.
inline bool HasEffect(const ArchiveTotals& totals) { return totals.converted > 0; }

// How an archive run ended, for its report.
enum class ArchiveEnd { Written, NoEffect, Refused, Failed };

// The five lines of an archive's report, as the window shows them: its name,
// a heading with the unit, its databases' unpacked bytes before, then after
// and the ratio, or why no archive was made. refusal is the fourth line of a
// refused or failed archive.
std::vector<std::string> ArchiveReportLines(std::string_view archiveName, ArchiveEnd end, const ArchiveTotals& totals,
                                            std::string_view refusal, const Language& language);

// The archive file's own size before and after, and a plain word when the new
// archive is larger; nothing when no archive was made.
std::vector<std::string> ArchiveSizeLines(const ArchiveTotals& totals, const Language& language);

// The fourth line of a refused archive, or of one that failed.
std::string NotArchiveText(const Language& language);
std::string ArchiveFailureText(const Language& language);

}  // namespace pressling
