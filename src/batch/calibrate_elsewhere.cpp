// Calibration handed on: this program starts murelta-calibrate in its place, with the same
// command line, process, signals and exit status. It is looked for beside this program, where
// a build puts both, then where an install puts it.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "batch/calibrate.hpp"

#ifndef MURELTA_CALIBRATE_FROM_BIN
#define MURELTA_CALIBRATE_FROM_BIN "../libexec/murelta"
#endif

namespace murelta::batch {

int calibrate(const CalibrationCommand&, char** argv) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        std::cerr << "murelta-batch: cannot find where this program is, to start "
                     "murelta-calibrate: "
                  << error.message() << "." << std::endl;
        return kExitRefused;
    }
    const std::filesystem::path dir = self.parent_path();
    const std::vector<std::filesystem::path> candidates{
        dir / "murelta-calibrate",
        (dir / MURELTA_CALIBRATE_FROM_BIN / "murelta-calibrate").lexically_normal()};
    for (const std::filesystem::path& candidate : candidates) {
        ::execv(candidate.c_str(), argv);
        // Only a program that is not there sends the search on; one that is there and cannot
        // start is the problem to report.
        if (errno != ENOENT) {
            std::cerr << "murelta-batch: cannot start " << candidate.string() << ": "
                      << std::strerror(errno) << "." << std::endl;
            return kExitRefused;
        }
    }
    std::cerr << "murelta-batch: calibration runs in murelta-calibrate, which is neither "
              << candidates[0].string() << " nor " << candidates[1].string()
              << "; install murelta-batch again." << std::endl;
    return kExitRefused;
}

}  // namespace murelta::batch
