// The charts of one simulation: its runs (exit cycles, % on target) and its generations (Total
// Fitness and the genes), with a summary line. The main window feeds it run by run while a
// simulation goes on and draws what came at the arena's pace; the results viewer fills it
// from a record.
#pragma once

#include <QWidget>
#include <vector>

#include "experiment/results.hpp"

class QAreaSeries;
class QChartView;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QTabWidget;
class QValueAxis;

namespace murelta::ui {

class ResultsPanel : public QWidget {
    Q_OBJECT

  public:
    explicit ResultsPanel(QWidget* parent = nullptr);

    // Forgets everything shown: a new simulation.
    void clear();
    // A run of the current generation; a run of a later generation starts the runs afresh.
    void addRun(const RunResult& run);
    void addGeneration(const GenerationSummary& generation);
    // How many runs a generation has and how many generations there are, when known before
    // they come: the axes are then set once rather than moved at every refresh.
    void expectRuns(int runCount);
    void expectGenerations(int generationCount);
    // Whether the genes are drawn beside Total Fitness (a gene option was on).
    void setGenesShown(bool shown);
    // Draws what was added since the last refresh; cheap when nothing was.
    void refresh();
    // A whole record: its runs of `generation` and all its generations.
    void showResults(const SimulationResults& results, int generation);

    // The chart of the tab shown, as export takes it.
    QChartView* currentChart() const;
    QString summaryText() const;

    // What the charts hold, for tests and exports.
    QScatterSeries* firstSeries() const { return first_; }
    QScatterSeries* lastSeries() const { return last_; }
    QScatterSeries* percentSeries() const { return percent_; }
    QLineSeries* fitnessSeries() const { return fitness_; }
    QLineSeries* expGeneSeries() const { return expGene_; }
    QLineSeries* comGeneSeries() const { return comGene_; }

  private:
    // The runs shown, metric by metric.
    struct RunColumns {
        std::vector<double> first;
        std::vector<double> last;
        std::vector<double> percentOut;
    };
    RunColumns runColumns() const;
    void createCharts();
    void updateSummary(const RunColumns& columns);

    QTabWidget* tabs_;
    QLabel* summary_;
    QChartView* runsView_;
    QChartView* percentView_;
    QChartView* generationsView_;

    QScatterSeries* first_;
    QScatterSeries* last_;
    QLineSeries* meanFirst_;
    QLineSeries* meanLast_;
    QScatterSeries* percent_;
    QLineSeries* meanPercent_;
    QValueAxis* runAxis_;
    QValueAxis* cycleAxis_;
    QValueAxis* percentRunAxis_;

    QLineSeries* fitness_;
    QLineSeries* expGene_;
    QLineSeries* comGene_;
    QAreaSeries* expBand_;
    QAreaSeries* comBand_;
    QValueAxis* generationAxis_;
    QValueAxis* fitnessAxis_;
    QValueAxis* geneAxis_;

    // What was added; the series hold the first shownRuns_ and shownGenerations_ of them.
    std::vector<RunResult> runs_;
    std::vector<GenerationSummary> generations_;
    std::size_t shownRuns_ = 0;
    std::size_t shownGenerations_ = 0;
    int runsGeneration_ = -1;
    bool genesShown_ = false;
};

// Saves the chart as shown, titled and with its axes, as PNG or SVG by the name's suffix,
// replacing the file only once it is whole. Throws Error naming the file otherwise.
void exportChart(QChartView& view, const QString& path);
// Asks for a PNG or SVG file and exports the chart there; a failure is named in a message.
void askAndExportChart(QWidget* parent, QChartView& view);

}  // namespace murelta::ui
