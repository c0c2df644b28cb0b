#pragma once

#include <cstddef>
#include <cstdint>

namespace kor {

// The process-wide table of log groups: up to 256 three-character codes. The
// first eight are preset ("DBG", "GEN", "XTR", "PRF", "MEM", "DSK", "NET",
// "TST"); group i owns bit i of a record's 64-bit mask, so only the first 64
// groups can be told apart in a record.
inline constexpr std::size_t kLogGroupTableSize = 256;
inline constexpr std::size_t kLogGroupPresetCount = 8;

// Returns the mask of the group named by the first three characters of `code`
// (fewer when it is shorter), registering the code when it is new. A code
// registered at index 64 or above gets the mask 0. Once all 256 entries are
// used a new code is not stored and gets the mask 0, so the presets are never
// overwritten. A null or empty code gets the mask 0 and is not stored.
// Safe to call from any thread; two threads registering the same new code at
// the same moment may get two entries.
uint64_t RegisterLogGroup(const char* code);

// Writes the codes of the registered groups whose bits are set in `mask`,
// lowest bit first, separated by ";" ("DBG;DSK"), into `buffer` of `size`
// bytes, cut where the space ends and always terminated. Bits without a
// registered group are skipped. Returns the characters written.
std::size_t LogGroupNames(uint64_t mask, char* buffer, std::size_t size);

// Test-only: brings the table back to its eight presets.
void ResetLogGroupsForTesting();

}  // namespace kor
