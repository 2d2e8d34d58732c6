// The data file: its name, built from the parameter texts as typed, and its tab-separated
// contents, one header line and one line of statistics per run, CRLF line ends.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "sim/error.hpp"

namespace murelta {

struct Params;
struct SimState;

// Where a simulation's data file goes and how its fate is told: the main window shows messages
// and offers another folder; the headless runner prints.
class DataFileHost {
  public:
    virtual ~DataFileHost() = default;

    // Where the data file goes and which decimal separator it uses.
    virtual std::filesystem::path dataDirectory() = 0;
    virtual char decimalSeparator() = 0;
    // The data file was written to `path`; `message` is the report to show. `interrupted`: the
    // main window was closed during the simulation.
    virtual void dataFileWritten(const std::filesystem::path& path, const std::string& message,
                                 bool complete, bool interrupted) = 0;
    // The data file cannot be written (`error` says which and why), found before the first run
    // or when writing it. Returns another folder to try, or nothing to give up, and the error
    // then ends the command.
    virtual std::optional<std::filesystem::path> otherDataDirectory(const std::string& error) = 0;
};

// A folder that takes the data file with a point as decimal separator, tells nobody, and gives
// up when the file cannot be written: what sweeps, benchmarks and tests need.
class DataFolder : public DataFileHost {
  public:
    explicit DataFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::filesystem::path dataDirectory() override { return folder_; }
    char decimalSeparator() override { return '.'; }
    void dataFileWritten(const std::filesystem::path&, const std::string&, bool, bool) override {}
    std::optional<std::filesystem::path> otherDataDirectory(const std::string&) override {
        return std::nullopt;
    }

  private:
    std::filesystem::path folder_;
};

// The label used in the name when none was typed in the group settings dialog.
inline constexpr std::string_view kDefaultLabel = "untitle";

// "murData_<label>_w<W>x<H>_c<cycles>_r<runs>_ag<agents><flags>_s<seed>", from the texts as
// typed; flags are "_fOut" or "_lOut" (Last Out wins), then "_samStart".
std::string makeDataFileName(const Params& p, std::string_view label);

// The file's whole text: header and runCount rows of runStats, numbers written by formatNumber
// with the given decimal separator.
std::string dataFileText(const SimState& s, char decimalSeparator);

// Throws Error naming the file and the reason when `fileName` may not be the name of a file in
// `directory`: it holds "/" or is longer than the folder allows.
void checkFileName(const std::string& fileName, const std::filesystem::path& directory);

// Throws Error naming the file and the reason when dataFileName + ".xls" could not be written
// into `directory`: a name with "/", one longer than the folder allows, or a folder that
// cannot be written. Leaves nothing behind.
void checkDataFileWritable(const SimState& s, const std::filesystem::path& directory);

// Thrown by writeFileAtomically when the file is there already and may not be replaced.
class FileExists : public Error {
  public:
    using Error::Error;
};

// Writes `text` as `fileName` into `directory` and returns the path written. The text goes to a
// uniquely named temporary file that takes the target's name only once complete, so a failed
// write never leaves half a file, and one the program sees fail leaves no temporary file.
// Throws Error naming the file and the reason when it cannot be written; with `replace` false,
// FileExists when a file of that name is there (it is left as it was).
std::filesystem::path writeFileAtomically(const std::filesystem::path& directory,
                                          const std::string& fileName, const std::string& text,
                                          bool replace = true);
// The same with the text written by `write` onto a stream, a piece at a time, so that a large
// file need not be held in memory first.
std::filesystem::path writeFileAtomically(const std::filesystem::path& directory,
                                          const std::string& fileName,
                                          const std::function<void(std::ostream&)>& write,
                                          bool replace = true);

// The whole text of a file. Throws Error naming it ("the <what> <path>") and saying why it
// cannot be read: missing, a folder, no permission, a read error.
std::string readText(const std::filesystem::path& path, std::string_view what);

// The permission bits the process's umask clears from new files and folders, read without
// changing it, so that threads may ask at the same time.
unsigned fileCreationMask();

// The base name a simulation's files get in `directory`: `name` when no data file or record
// of that name is there, else the first of name_2, name_3... that is free, so that earlier
// results are never replaced.
std::string freeFileStem(const std::filesystem::path& directory, const std::string& name);

// Writes the data file as <stem>.xls into `directory` without replacing any file, trying the
// next free stem when another program took one first. Returns the path written.
std::filesystem::path writeDataFile(const SimState& s, const std::filesystem::path& directory,
                                    char decimalSeparator);

// The text of the message that reports a written file; an incomplete simulation says so, and
// a file that got another name than `intended` because one of that name was there says so.
std::string dataFileReport(const std::string& fileName, bool complete,
                           const std::string& intended = {});

}  // namespace murelta
