// murelta-batch's subcommand `calibrate`. The optimisers it needs bring a threading library
// whose loading would cost every other start of murelta-batch more than a short simulation
// takes, so two programs share the command line: murelta-batch, linked without them, hands a
// calibration on to murelta-calibrate, the same program with them.
#pragma once

#include <string>

namespace murelta::batch {

// A command line the options or the files refuse.
inline constexpr int kExitRefused = 2;

struct CalibrationCommand {
    std::string file;
    std::string out;
    int threads = 1;
};

// Runs the calibration and returns the exit status, or hands the whole command line (argv, as
// main was given it) on to the program that runs it.
int calibrate(const CalibrationCommand& command, char** argv);

}  // namespace murelta::batch
