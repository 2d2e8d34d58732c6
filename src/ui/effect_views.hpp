// The results viewer's tabs for how a result moves with a sweep's parameters: "Effects", a
// statistic against one parameter with a line per value of another, and "Heat map", the
// statistic over two parameters. The parameters not shown are fixed at values the user picks,
// or pooled.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

#include "analysis/effects.hpp"

class QAreaSeries;
class QChartView;
class QComboBox;
class QFormLayout;
class QGraphicsItem;
class QLineSeries;
class QScatterSeries;
class QSpinBox;

namespace murelta::ui {

// The pickers both tabs share: the statistic, the generation, the parameters shown and a row
// per other parameter with its fixed value or "pooled".
class EffectPickers : public QWidget {
    Q_OBJECT

  public:
    // `prefix` begins the object names ("Effect": cmbEffectStatistic ...); `second` names the
    // second picker ("Lines" or "Rows") and whether it may be left empty.
    EffectPickers(const QString& prefix, const QString& second, bool secondOptional,
                  QWidget* parent);
    void setResults(const SweepResults* results, const EffectTable* table);
    EffectQuery query() const;
    // "preset fixed at None; foods pooled": what the chart's title says of the others.
    QString othersText() const;
    QComboBox* fixedPicker(const std::string& key) const;

  signals:
    void changed();

  private:
    void rebuildFixed();

    const EffectTable* table_ = nullptr;
    QString prefix_;
    bool secondOptional_;
    QComboBox* statistic_;
    QSpinBox* generation_;
    QComboBox* x_;
    QComboBox* second_;
    QFormLayout* fixedLayout_;
    std::vector<QComboBox*> fixed_;  // per parameter; null for the ones shown
};

class EffectView : public QWidget {
    Q_OBJECT

  public:
    explicit EffectView(QWidget* parent = nullptr);
    void setResults(const SweepResults& results);
    QChartView* chart() const { return view_; }
    EffectPickers* pickers() const { return pickers_; }
    // What is drawn: a line per level of the series' parameter, its 95% band, and the points
    // whose runs did not all get every agent out.
    const std::vector<QLineSeries*>& lines() const { return lines_; }
    const std::vector<QAreaSeries*>& bands() const { return bands_; }
    QScatterSeries* cutPoints() const { return cut_; }

  private slots:
    void draw();

  private:
    const SweepResults* results_ = nullptr;
    EffectTable table_;
    EffectPickers* pickers_;
    QChartView* view_;
    std::vector<QLineSeries*> lines_;
    std::vector<QAreaSeries*> bands_;
    QScatterSeries* cut_ = nullptr;
};

class HeatMapView : public QWidget {
    Q_OBJECT

  public:
    explicit HeatMapView(QWidget* parent = nullptr);
    void setResults(const SweepResults& results);
    QChartView* chart() const { return view_; }
    EffectPickers* pickers() const { return pickers_; }
    struct Cell {
        std::size_t x = 0;
        std::size_t y = 0;
        double value = 0.0;
        QString text;  // as written in the cell and its tooltip
    };
    const std::vector<Cell>& cells() const { return cells_; }

  private slots:
    void draw();
    void placeTexts();

  private:
    const SweepResults* results_ = nullptr;
    EffectTable table_;
    EffectPickers* pickers_;
    QChartView* view_;
    std::vector<Cell> cells_;
    double low_ = 0.0;
    double high_ = 0.0;
    // Drawn on the chart, so that the export shows them: the cells' values and the colour scale.
    std::vector<QGraphicsItem*> texts_;
    std::vector<QGraphicsItem*> scale_;
};

}  // namespace murelta::ui
