// The results viewer's charts of a calibration: the objective of every evaluation with the
// best found so far, and the front of an nsga2 calibration among all its evaluations.
#pragma once

#include "analysis/calibration.hpp"

class QChart;

namespace murelta::ui {

// Replaces what `chart` holds with the objectives against the evaluation number: for cmaes a
// scatter "Objective" and a line "Best so far"; for nsga2 a scatter per objective named by its
// target and a line "<target>, best so far" for each. Infinite objectives are left out; the
// objective axis is logarithmic when every objective shown is above 0.
void drawEvaluations(QChart& chart, const CalibrationResults& results);

// Replaces what `chart` holds with the first two objectives of every evaluation (the scatter
// "Evaluations") and the front's members (the scatter "Front", larger and joined in the order
// of the first objective). Draws nothing for a calibration of one objective.
void drawFront(QChart& chart, const CalibrationResults& results);

}  // namespace murelta::ui
