#include "ui/network_view.hpp"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <utility>

namespace murelta::ui {

NetworkView::NetworkView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(150, 150);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void NetworkView::setMarkers(const std::vector<QRectF>& rects) {
    markers_.clear();
    markers_.reserve(rects.size());
    for (const QRectF& rect : rects) {
        markers_.push_back({rect, QColor(Qt::gray)});
    }
    update();
}

void NetworkView::setMarkerFill(std::size_t index, const QColor& fill) {
    if (index < markers_.size() && markers_[index].fill != fill) {
        markers_[index].fill = fill;
        update();
    }
}

void NetworkView::setSegments(std::vector<Segment> segments) {
    segments_ = std::move(segments);
    update();
}

double NetworkView::side() const {
    return static_cast<double>(std::max(1, std::min(width(), height())));
}

// Multiplying before dividing keeps whole design values exact when the side divides them.
QPointF NetworkView::toDesign(QPointF pixel) const {
    return {pixel.x() * kDesignSize / side(), pixel.y() * kDesignSize / side()};
}

QPointF NetworkView::toPixel(QPointF design) const {
    return {design.x() * side() / kDesignSize, design.y() * side() / kDesignSize};
}

QSize NetworkView::sizeHint() const {
    return {360, 360};
}

void NetworkView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square(0.0, 0.0, side(), side());
    painter.fillRect(square, Qt::white);
    painter.setPen(QPen(palette().color(QPalette::Mid), 0));
    painter.drawRect(square.adjusted(0.5, 0.5, -0.5, -0.5));

    painter.scale(side() / kDesignSize, side() / kDesignSize);

    // Cosmetic pens keep lines one pixel wide however far the picture is scaled.
    QPen line(Qt::black, 0);
    for (const Segment& segment : segments_) {
        line.setColor(segment.colour);
        painter.setPen(line);
        painter.drawLine(segment.start, segment.end);
    }
    for (const AgentMarker& marker : markers_) {
        painter.setPen(QPen(marker.fill.darker(150), 0));
        painter.setBrush(marker.fill);
        painter.drawEllipse(marker.rect);
    }
}

void NetworkView::mousePressEvent(QMouseEvent* event) {
    emit pressed(toDesign(event->position()));
    event->accept();
}

}  // namespace murelta::ui
