#include "run/display.hpp"

namespace murelta {

void RunDisplay::showProgress(std::int16_t, std::int16_t, std::int16_t, std::int16_t) {}
void RunDisplay::showMessageCount(std::int16_t) {}
void RunDisplay::showTotalFitness(double) {}
void RunDisplay::setRunningControls(bool) {}
void RunDisplay::initGraphic() {}
void RunDisplay::updateGraphic() {}
bool RunDisplay::graphicsEnabled() {
    return false;
}
void RunDisplay::yield() {}
void RunDisplay::showRunsDone(int, int) {}
void RunDisplay::showGenerationDone(int, const GenerationResult&) {}
void RunDisplay::runFinished() {}

}  // namespace murelta
