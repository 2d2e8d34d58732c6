// The results viewer's tabs for what collect derives from a sweep: "Sensitivity", a design's
// indices per factor, and "Compare", the effect sizes and tests between configurations.
#pragma once

#include <QWidget>
#include <vector>

#include "experiment/results.hpp"

class QChartView;
class QComboBox;
class QSpinBox;
class QStandardItemModel;
class QTableView;

namespace murelta::ui {

// Sobol' S1 and ST as bars with their intervals, Morris' mu_star against sigma as a labelled
// scatter, or PRCC bars, for the swept configuration, output and generation picked.
class SensitivityView : public QWidget {
    Q_OBJECT

  public:
    explicit SensitivityView(QWidget* parent = nullptr);
    void setResults(const SweepResults& results);
    QChartView* chart() const { return view_; }

  private slots:
    void draw();

  private:
    std::vector<SensitivityRow> rows_;
    std::vector<std::vector<std::string>> groups_;  // the swept values of each design
    QComboBox* group_;
    QComboBox* output_;
    QSpinBox* generation_;
    QChartView* view_;
};

// The matrix of A12 between configurations, coloured from blue (the row's configuration gives
// smaller values) to red (larger), with the pairs whose Holm-adjusted p is below 0.05 marked.
class CompareView : public QWidget {
    Q_OBJECT

  public:
    explicit CompareView(QWidget* parent = nullptr);
    void setResults(const SweepResults& results);
    QTableView* table() const { return table_; }

  private slots:
    void draw();

  private:
    std::vector<ComparisonRow> rows_;
    std::vector<ConfigurationResults> configurations_;
    QComboBox* output_;
    QSpinBox* generation_;
    QTableView* table_;
    QStandardItemModel* model_;
};

}  // namespace murelta::ui
