#include "sim/data_file.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "sim/error.hpp"
#include "sim/numbers.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"

namespace murelta {

std::string makeDataFileName(const Params& p, std::string_view label) {
    std::string flags;
    if (p.firstOut) {
        flags = "_fOut";
    }
    if (p.lastOut) {
        flags = "_lOut";
    }
    if (p.sameStart) {
        flags += "_samStart";
    }
    std::string name = "murData_";
    name += label;
    name += "_w" + p.width + "x" + p.height + "_c" + p.cycles + "_r" + p.runs + "_ag" + p.agents;
    return name + flags + "_s" + p.seed;
}

std::string dataFileText(const SimState& s, char decimalSeparator) {
    std::string text = "No.Run\tFirst\tLast\tAg. on target %\r\n";
    for (int r = 0; r < s.runCount; ++r) {
        const RunStatsRow& row = s.runStats[static_cast<std::size_t>(r)];
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) {
                text += '\t';
            }
            text += formatNumber(row[c], decimalSeparator);
        }
        text += "\r\n";
    }
    return text;
}

std::filesystem::path writeDataFile(const SimState& s, const std::filesystem::path& directory,
                                    char decimalSeparator) {
    const std::string fileName = s.dataFileName + ".xls";
    const auto fail = [&](const std::string& reason) {
        return Error("Cannot write the data file " + fileName + " in " + directory.string() +
                     ":\n" + reason);
    };
    if (fileName.find('/') != std::string::npos || fileName.find('\0') != std::string::npos) {
        throw fail("the name may not contain \"/\".");
    }
    const std::filesystem::path target = directory / fileName;
    std::filesystem::path temporary = target;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw fail(std::strerror(errno));
        }
        const std::string text = dataFileText(s, decimalSeparator);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            const std::string reason = std::strerror(errno);
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw fail(reason);
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw fail(error.message());
    }
    return target;
}

std::string dataFileReport(const std::string& fileName, bool complete) {
    std::string text = "Simulation finished. Data file has bee saved!\r\n";
    if (!complete) {
        text += "Since you have interrupted the simulation, saved data are not completed!\r\n";
    }
    return text + fileName;
}

}  // namespace murelta
