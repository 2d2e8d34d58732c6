// The data file: its name, built from the parameter texts as typed, and its tab-separated
// contents, one header line and one line of statistics per run, CRLF line ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace murelta {

struct Params;
struct SimState;

// The label used in the name when none was typed in the group settings dialog.
inline constexpr std::string_view kDefaultLabel = "untitle";

// "murData_<label>_w<W>x<H>_c<cycles>_r<runs>_ag<agents><flags>_s<seed>", from the texts as
// typed; flags are "_fOut" or "_lOut" (Last Out wins), then "_samStart".
std::string makeDataFileName(const Params& p, std::string_view label);

// The file's whole text: header and runCount rows of runStats, numbers written by formatNumber
// with the given decimal separator.
std::string dataFileText(const SimState& s, char decimalSeparator);

// Throws Error naming the file and the reason when dataFileName + ".xls" could not be written
// into `directory`: a name with "/", one longer than the folder allows, or a folder that
// cannot be written. Leaves nothing behind.
void checkDataFileWritable(const SimState& s, const std::filesystem::path& directory);

// Writes dataFileName + ".xls" into `directory` and returns the path written. The text goes to
// a uniquely named temporary file that replaces the target only once complete, so a failed
// write never leaves half a file, and one the program sees fail leaves no temporary file.
// Throws Error naming the file and the reason when it cannot be written.
std::filesystem::path writeDataFile(const SimState& s, const std::filesystem::path& directory,
                                    char decimalSeparator);

// The text of the message that reports a written file; an incomplete simulation says so.
std::string dataFileReport(const std::string& fileName, bool complete);

}  // namespace murelta
