// The results viewer: a simulation's record (its charts for any generation and its runs), a
// sweep's folder (box plots of a metric per configuration, the summary table, Total Fitness
// per configuration) or a calibration's folder (the objective of every evaluation, the front of
// an nsga2 calibration, the validation of the candidates chosen), read whole before anything
// is shown.
#pragma once

#include <QWidget>
#include <vector>

#include "analysis/calibration.hpp"
#include "experiment/results.hpp"

class QAction;
class QBoxPlotSeries;
class QChartView;
class QComboBox;
class QMenuBar;
class QSpinBox;
class QStackedWidget;
class QStandardItemModel;
class QTabWidget;
class QTableView;

namespace murelta::ui {

class CompareView;
class EffectView;
class HeatMapView;
class EntryList;
class ResultsPanel;
class SensitivityView;

class ResultsWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ResultsWindow(QWidget* parent = nullptr);

    // Reads `path`: a folder holding a calibration (its calibration.toml) or a sweep, or a file
    // in one (calibration.toml, best.toml or a table; sweep.toml or a table), or a
    // simulation's record (.toml or .csv). Shows it and returns true; a file that cannot be
    // read is named in a message, and what was shown before stays.
    bool open(const QString& path);

    bool showsSweep() const { return showsSweep_; }
    bool showsCalibration() const { return showsCalibration_; }
    ResultsPanel* simulationPanel() const { return panel_; }
    QBoxPlotSeries* boxes() const { return boxes_; }
    QChartView* boxChart() const { return boxView_; }
    // What hovering box `box` (of those shown) tells: its configuration, swept values and
    // five numbers.
    QString boxToolTip(int box) const;
    QChartView* fitnessChart() const { return fitnessView_; }
    SensitivityView* sensitivityView() const { return sensitivity_; }
    CompareView* compareView() const { return compare_; }
    EffectView* effectView() const { return effects_; }
    HeatMapView* heatMapView() const { return heatMap_; }
    QChartView* calibrationChart() const { return calibrationView_; }
    QChartView* frontChart() const { return frontView_; }
    QTableView* table() const;
    // The chart of the tab shown, or null when a table is shown.
    QChartView* currentChart() const;
    // The table shown, as "Copy Table" puts it on the clipboard: tab-separated, with its
    // header, in the order shown.
    QString tableText() const;

  private slots:
    void exportChart();
    void copyTable();
    void drawSimulation();
    void drawBoxes();
    void showFitnessLines();

  private:
    void createActions();
    void createMenus();
    void buildLayout();
    void showSimulation(SimulationResults results);
    void showSweep(SweepResults results);
    void showCalibration(CalibrationResults results);
    QTabWidget* currentTabs() const;

    bool showsSweep_ = false;
    bool showsCalibration_ = false;
    SimulationResults simulation_;
    SweepResults sweep_;
    CalibrationResults calibration_;

    QMenuBar* menuBar_ = nullptr;
    QAction* exportAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QAction* closeAction_ = nullptr;

    QStackedWidget* pages_ = nullptr;
    // A simulation: the generation shown, its charts and its runs.
    QTabWidget* simulationTabs_ = nullptr;
    QSpinBox* generation_ = nullptr;
    ResultsPanel* panel_ = nullptr;
    QTableView* runsTable_ = nullptr;
    QStandardItemModel* runsModel_ = nullptr;
    // A sweep: the metric and generation of the box plots, the summary and Total Fitness.
    QTabWidget* sweepTabs_ = nullptr;
    QComboBox* metric_ = nullptr;
    QSpinBox* sweepGeneration_ = nullptr;
    QChartView* boxView_ = nullptr;
    QBoxPlotSeries* boxes_ = nullptr;
    // The configurations the boxes may show, and those they show, box by box.
    EntryList* boxPicker_ = nullptr;
    std::vector<int> boxConfigurations_;
    QTableView* summaryTable_ = nullptr;
    QStandardItemModel* summaryModel_ = nullptr;
    QChartView* fitnessView_ = nullptr;
    // With more configurations than a legend holds, the lines are picked in a list instead.
    EntryList* fitnessPicker_ = nullptr;
    // Shown when collect derived them: a design's indices, the tests between configurations.
    SensitivityView* sensitivity_ = nullptr;
    CompareView* compare_ = nullptr;
    // How a statistic moves with the swept parameters: against one, and over two.
    EffectView* effects_ = nullptr;
    HeatMapView* heatMap_ = nullptr;
    // A calibration: its evaluations, its front (nsga2) and its validation table.
    QTabWidget* calibrationTabs_ = nullptr;
    QChartView* calibrationView_ = nullptr;
    QChartView* frontView_ = nullptr;
    QTableView* validationTable_ = nullptr;
    QStandardItemModel* validationModel_ = nullptr;
};

}  // namespace murelta::ui
