// The data file: its name, built from the parameter texts as typed, and its tab-separated
// contents, one header line and one line of statistics per run, CRLF line ends.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace murelta {

struct Params;
struct SimState;

// Where a simulation's data file goes and how its fate is told: the main window shows messages
// and offers another folder; the headless runner prints. The defaults write into the current
// folder with a point and give up when the file cannot be written.
class DataFileHost {
  public:
    virtual ~DataFileHost() = default;

    // Where the data file goes and which decimal separator it uses.
    virtual std::filesystem::path dataDirectory();
    virtual char decimalSeparator();
    // The data file was written to `path`; `message` is the report to show. `interrupted`: the
    // main window was closed during the simulation.
    virtual void dataFileWritten(const std::filesystem::path& path, const std::string& message,
                                 bool complete, bool interrupted);
    // The data file cannot be written (`error` says which and why), found before the first run
    // or when writing it. Returns another folder to try, or nothing to give up; the default
    // gives up, and the error ends the command.
    virtual std::optional<std::filesystem::path> otherDataDirectory(const std::string& error);
};

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

// Writes `text` as `fileName` into `directory` and returns the path written. The text goes to a
// uniquely named temporary file that replaces the target only once complete, so a failed write
// never leaves half a file, and one the program sees fail leaves no temporary file. Throws
// Error naming the file and the reason when it cannot be written.
std::filesystem::path writeFileAtomically(const std::filesystem::path& directory,
                                          const std::string& fileName, const std::string& text);
// The same with the text written by `write` onto a stream, a piece at a time, so that a large
// file need not be held in memory first.
std::filesystem::path writeFileAtomically(const std::filesystem::path& directory,
                                          const std::string& fileName,
                                          const std::function<void(std::ostream&)>& write);

// Writes dataFileName + ".xls" into `directory` with writeFileAtomically.
std::filesystem::path writeDataFile(const SimState& s, const std::filesystem::path& directory,
                                    char decimalSeparator);

// The text of the message that reports a written file; an incomplete simulation says so.
std::string dataFileReport(const std::string& fileName, bool complete);

}  // namespace murelta
