// The arena picture of the main window: one marker per agent and per target, kept in the
// designed units (5000 x 5355) and scaled to the widget when painted.
#pragma once

#include <QColor>
#include <QWidget>
#include <vector>

namespace murelta {
struct SimState;
}

namespace murelta::ui {

struct ArenaMarker {
    float left = 0.0f;
    float top = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    QColor color;
    bool visible = false;
};

class ArenaView : public QWidget {
    Q_OBJECT

  public:
    static constexpr float kDesignWidth = 5000.0f;
    static constexpr float kDesignHeight = 5355.0f;

    explicit ArenaView(QWidget* parent = nullptr);

    // At a run start: one marker per agent, sized from its retina and coloured from its rank,
    // and one per target, sized from its size; then updateGraphic.
    void initGraphic(const SimState& s);
    // Moves every marker to its agent's or target's current cell; the caller decides when the
    // picture is repainted (update()), so a cycle does not pay for scheduling a paint.
    void updateGraphic(const SimState& s);

    const std::vector<ArenaMarker>& agentMarkers() const { return agents_; }
    const std::vector<ArenaMarker>& targetMarkers() const { return targets_; }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    float cellWidth_ = 0.0f;
    float cellHeight_ = 0.0f;
    int arenaWidth_ = 1;
    int arenaHeight_ = 1;
    std::vector<ArenaMarker> agents_;
    std::vector<ArenaMarker> targets_;
};

}  // namespace murelta::ui
