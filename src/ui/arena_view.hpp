// The arena picture of the main window: one marker per agent and per target, kept in the
// designed units (5000 x 5355) and scaled to the widget when painted.
#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <deque>
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

// A message delivered in the drawn cycle, as the arena shows it: a line from its sender's cell
// to its receiver's cell and a cross on the cell it reports.
struct MessageLine {
    std::int16_t sender = 0;
    std::int16_t receiver = 0;
    QPoint from;      // the sender's cell
    QPoint to;        // the receiver's cell
    QPoint reported;  // the cell the message reports
    std::int16_t value = 0;

    bool operator==(const MessageLine&) const = default;
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

    // Keeps the messages delivered in the current cycle for the next paint; called at the
    // paint's pace, never every cycle.
    void showMessages(const SimState& s);
    void clearMessages();
    const std::vector<MessageLine>& messageLines() const { return messages_; }

    // The last `length` cells of each agent are drawn as a fading trail; 0 draws none. Trails
    // grow in updateGraphic and start afresh with every run.
    void setTrailLength(int length);
    int trailLength() const { return trailLength_; }
    // Agent i's trail, oldest cell first.
    const std::deque<QPoint>& trail(int agent) const {
        return trails_[static_cast<std::size_t>(agent)];
    }

    const std::vector<ArenaMarker>& agentMarkers() const { return agents_; }
    const std::vector<ArenaMarker>& targetMarkers() const { return targets_; }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

    // The agent whose marker holds a point of the widget, or the nearest within a marker's
    // reach; -1 when none is.
    int agentAt(QPoint pixel) const;

  signals:
    void agentClicked(int agent);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    // A cell's corner in the designed units, where the markers are centred.
    QPointF cellPoint(QPoint cell) const;
    void paintTrails(QPainter& painter) const;
    void paintMessages(QPainter& painter) const;

    float cellWidth_ = 0.0f;
    float cellHeight_ = 0.0f;
    int arenaWidth_ = 1;
    int arenaHeight_ = 1;
    std::vector<ArenaMarker> agents_;
    std::vector<ArenaMarker> targets_;
    std::vector<MessageLine> messages_;
    int trailLength_ = 0;
    std::vector<std::deque<QPoint>> trails_;
};

}  // namespace murelta::ui
