// The picture of the communication network: round agent markers above coloured line segments,
// all kept in design units (a square of kDesignSize) and scaled to the widget when painted, so
// that the layout does not depend on the window's size.
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <cstddef>
#include <vector>

namespace murelta::ui {

class NetworkView : public QWidget {
    Q_OBJECT

  public:
    // The side of the picture in design units.
    static constexpr double kDesignSize = 5000.0;

    struct AgentMarker {
        QRectF rect;  // design units; the marker is the ellipse inside it
        QColor fill;
    };

    struct Segment {
        QPointF start;  // design units
        QPointF end;
        QColor colour;
    };

    explicit NetworkView(QWidget* parent = nullptr);

    // Replaces every marker; new markers are grey until coloured.
    void setMarkers(const std::vector<QRectF>& rects);
    void setMarkerFill(std::size_t index, const QColor& fill);
    const std::vector<AgentMarker>& markers() const { return markers_; }

    // Replaces every line: the picture shows exactly these segments until the next call.
    void setSegments(std::vector<Segment> segments);
    const std::vector<Segment>& segments() const { return segments_; }

    // Widget pixels to design units and back. The picture is the largest square that fits at
    // the widget's top left, so that round markers stay round.
    QPointF toDesign(QPointF pixel) const;
    QPointF toPixel(QPointF design) const;

    QSize sizeHint() const override;

  signals:
    // A press of any mouse button, at a point in design units (which may lie outside the
    // square when the widget is not square).
    void pressed(QPointF designPoint);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    double side() const;

    std::vector<AgentMarker> markers_;
    std::vector<Segment> segments_;
};

}  // namespace murelta::ui
