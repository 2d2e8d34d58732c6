// Calibration in this program: the optimisers run here.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

#include "analysis/calibration.hpp"
#include "batch/calibrate.hpp"
#include "experiment/experiment.hpp"
#include "sim/error.hpp"
#include "sim/numbers.hpp"

namespace murelta::batch {
namespace {

// A calibration's progress: a line redrawn on a terminal, or one at most every 10 seconds in a
// log, with the optimiser's generation, the evaluations, the best objective and the time left.
class CalibrationReportLine : public CalibrationProgress {
  public:
    CalibrationReportLine() : terminal_(isatty(STDERR_FILENO) != 0) {}

    void show(const CalibrationStatus& status) override {
        const auto now = Clock::now();
        const bool last = status.validating || status.evaluations == status.budget;
        if (!last &&
            std::chrono::duration<double>(now - shown_).count() < (terminal_ ? 0.25 : 10.0)) {
            return;
        }
        shown_ = now;
        if (status.validating) {
            if (validatingShown_) {
                return;
            }
            validatingShown_ = true;
            std::fprintf(stderr, "%svalidating on fresh seeds\n", terminal_ ? "\n" : "");
            std::fflush(stderr);
            return;
        }
        // Evaluations found finished take no time: the pace is of those run now.
        const std::size_t fresh = status.evaluations - status.reused;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const std::size_t left = status.budget - std::min(status.budget, status.evaluations);
        std::string best;
        for (const double objective : status.best) {
            best += (best.empty() ? "" : ", ") + formatNumber(objective);
        }
        const std::string eta =
            fresh > 0 ? "about " +
                            std::to_string(std::lround(seconds / static_cast<double>(fresh) *
                                                       static_cast<double>(left))) +
                            " s left"
                      : "";
        std::fprintf(stderr, "%sgeneration %zu/%zu  evaluations %zu/%zu  best %s  %s%s",
                     terminal_ ? "\r" : "", status.generation + 1, status.generations,
                     status.evaluations, status.budget, best.c_str(), eta.c_str(),
                     terminal_ && !last ? "   " : "\n");
        std::fflush(stderr);
    }

  private:
    using Clock = std::chrono::steady_clock;
    bool terminal_;
    bool validatingShown_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point shown_{};
};

}  // namespace

int calibrate(const CalibrationCommand& command, char**) {
    try {
        const Experiment calibration = readExperiment(command.file);
        if (!calibration.calibration) {
            throw Error(command.file +
                        " holds no [calibration]; give its free parameters and "
                        "targets there, or run it with murelta-batch --experiment.");
        }
        CalibrationReportLine line;
        const CalibrationReport report =
            runCalibration(calibration, command.file, command.out, command.threads, line);
        std::cout << report.evaluations << " evaluations";
        if (report.reused > 0) {
            std::cout << " (" << report.reused << " found finished)";
        }
        std::cout << "; written in " << command.out << ":";
        for (std::size_t i = 0; i < report.written.size(); ++i) {
            std::cout << (i > 0 ? ", " : " ") << report.written[i];
        }
        std::cout << std::endl;
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "murelta-batch: " << e.what() << std::endl;
        return kExitRefused;
    }
}

}  // namespace murelta::batch
