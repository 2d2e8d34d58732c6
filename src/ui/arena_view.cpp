#include "ui/arena_view.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

#include "sim/state.hpp"
#include "ui/look.hpp"

namespace murelta::ui {

namespace {

// Int(): rounds towards minus infinity, each term on its own.
float floorOf(float value) {
    return std::floor(value);
}

}  // namespace

ArenaView::ArenaView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("arenaPic"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(200, 214);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize ArenaView::sizeHint() const {
    return {500, 536};
}

int ArenaView::heightForWidth(int width) const {
    return static_cast<int>(std::lround(width * static_cast<double>(kDesignHeight / kDesignWidth)));
}

void ArenaView::initGraphic(const SimState& s) {
    // An arena of width or height 0 has one column or row; draw it one cell wide.
    arenaWidth_ = std::max<int>(s.arenaWidth, 1);
    arenaHeight_ = std::max<int>(s.arenaHeight, 1);
    cellWidth_ = kDesignWidth / static_cast<float>(arenaWidth_);
    cellHeight_ = kDesignHeight / static_cast<float>(arenaHeight_);
    agents_.assign(static_cast<std::size_t>(std::max<int>(s.groupSize, 0)), ArenaMarker{});
    for (std::size_t i = 0; i < agents_.size(); ++i) {
        const Agent& agent = s.agents[i];
        const auto retina = static_cast<float>(agent.retina);
        agents_[i].width = cellWidth_ * retina / 5.0f;
        agents_[i].height = cellHeight_ * retina / 5.0f;
        agents_[i].color = agent.rank == 1 ? kLeaderColor : kAgentColor;
    }
    trails_.assign(agents_.size(), {});
    messages_.clear();
    targets_.assign(static_cast<std::size_t>(std::max<int>(s.targetCount, 0)), ArenaMarker{});
    for (std::size_t t = 0; t < targets_.size(); ++t) {
        const auto size = static_cast<float>(s.targets[t].size);
        targets_[t].width = cellWidth_ * size;
        targets_[t].height = cellHeight_ * size;
        targets_[t].color = kTargetColor;
        targets_[t].visible = true;
    }
    updateGraphic(s);
    update();
}

void ArenaView::updateGraphic(const SimState& s) {
    const auto width = static_cast<float>(arenaWidth_);
    const auto height = static_cast<float>(arenaHeight_);
    for (std::size_t i = 0; i < agents_.size(); ++i) {
        ArenaMarker& marker = agents_[i];
        const Agent& agent = s.agents[i];
        marker.visible = true;
        marker.top = floorOf(static_cast<float>(agent.y) * kDesignHeight / height) -
                     floorOf(marker.height / 2.0f);
        marker.left = floorOf(static_cast<float>(agent.x) * kDesignWidth / width) -
                      floorOf(marker.width / 2.0f);
        if (trailLength_ > 0 && i < trails_.size()) {
            std::deque<QPoint>& trail = trails_[i];
            trail.emplace_back(agent.x, agent.y);
            while (static_cast<int>(trail.size()) > trailLength_) {
                trail.pop_front();
            }
        }
    }
    for (std::size_t t = 0; t < targets_.size(); ++t) {
        targets_[t].top = floorOf(static_cast<float>(s.targets[t].y) * kDesignHeight / height);
        targets_[t].left = floorOf(static_cast<float>(s.targets[t].x) * kDesignWidth / width);
    }
}

void ArenaView::showMessages(const SimState& s) {
    messages_.clear();
    const auto cellOf = [&](std::int16_t agent) {
        const Agent& a = s.agents[static_cast<std::size_t>(agent)];
        return QPoint(a.x, a.y);
    };
    const auto known = [&](std::int16_t agent) {
        return agent >= 0 && static_cast<std::size_t>(agent) < agents_.size() &&
               static_cast<std::size_t>(agent) < s.agents.size();
    };
    for (const Message& m : s.messages.delivered()) {
        if (known(m.sender) && known(m.receiver)) {
            messages_.push_back({m.sender, m.receiver, cellOf(m.sender), cellOf(m.receiver),
                                 QPoint(m.x, m.y), m.value});
        }
    }
}

void ArenaView::clearMessages() {
    messages_.clear();
}

void ArenaView::setTrailLength(int length) {
    trailLength_ = std::max(length, 0);
    for (std::deque<QPoint>& trail : trails_) {
        while (static_cast<int>(trail.size()) > trailLength_) {
            trail.pop_front();
        }
    }
}

QPointF ArenaView::cellPoint(QPoint cell) const {
    return {
        floorOf(static_cast<float>(cell.x()) * kDesignWidth / static_cast<float>(arenaWidth_)),
        floorOf(static_cast<float>(cell.y()) * kDesignHeight / static_cast<float>(arenaHeight_))};
}

void ArenaView::paintTrails(QPainter& painter) const {
    for (std::size_t i = 0; i < trails_.size() && i < agents_.size(); ++i) {
        const std::deque<QPoint>& trail = trails_[i];
        QColor color = agents_[i].color;
        for (std::size_t k = 1; k < trail.size(); ++k) {
            // Older steps fade out.
            color.setAlphaF(0.15f +
                            0.7f * static_cast<float>(k) / static_cast<float>(trail.size()));
            painter.setPen(QPen(color, 0));
            painter.drawLine(cellPoint(trail[k - 1]), cellPoint(trail[k]));
        }
    }
}

void ArenaView::paintMessages(QPainter& painter) const {
    std::int16_t strongest = 1;
    for (const MessageLine& m : messages_) {
        strongest = std::max(strongest, m.value);
    }
    const qreal head = std::max(cellWidth_, cellHeight_) * 0.8;
    const qreal cross = std::max(cellWidth_, cellHeight_) * 0.4;
    for (const MessageLine& m : messages_) {
        // A stronger report is darker; the weakest stays visible.
        const int shade = 170 - 170 * std::max<int>(m.value, 0) / strongest;
        const QPen pen(QColor(shade, shade, std::min(255, shade + 60)), 0);
        painter.setPen(pen);
        const QPointF from = cellPoint(m.from);
        const QPointF to = cellPoint(m.to);
        painter.drawLine(from, to);
        const QPointF along = from - to;
        const qreal length = std::hypot(along.x(), along.y());
        if (length > 0) {
            const QPointF unit = along / length;
            const QPointF side(-unit.y(), unit.x());
            painter.drawLine(to, to + (unit + side * 0.5) * head);
            painter.drawLine(to, to + (unit - side * 0.5) * head);
        }
        const QPointF at = cellPoint(m.reported);
        painter.drawLine(at - QPointF(cross, cross), at + QPointF(cross, cross));
        painter.drawLine(at - QPointF(cross, -cross), at + QPointF(cross, -cross));
    }
}

int ArenaView::agentAt(QPoint pixel) const {
    const double x = pixel.x() * static_cast<double>(kDesignWidth) / std::max(width(), 1);
    const double y = pixel.y() * static_cast<double>(kDesignHeight) / std::max(height(), 1);
    int found = -1;
    double nearest = 0.0;
    for (std::size_t i = 0; i < agents_.size(); ++i) {
        const ArenaMarker& m = agents_[i];
        if (!m.visible) {
            continue;
        }
        const double dx = x - (m.left + m.width / 2.0);
        const double dy = y - (m.top + m.height / 2.0);
        const double distance = std::hypot(dx, dy);
        // A marker smaller than two cells is still easy to hit.
        const double reach =
            std::max({m.width / 2.0, m.height / 2.0, 2.0 * static_cast<double>(cellWidth_),
                      2.0 * static_cast<double>(cellHeight_)});
        if (distance <= reach && (found < 0 || distance < nearest)) {
            found = static_cast<int>(i);
            nearest = distance;
        }
    }
    return found;
}

void ArenaView::mousePressEvent(QMouseEvent* event) {
    const int agent = agentAt(event->position().toPoint());
    if (agent >= 0) {
        emit agentClicked(agent);
    }
}

void ArenaView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(QColor(190, 190, 190));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(width() / static_cast<double>(kDesignWidth),
                  height() / static_cast<double>(kDesignHeight));
    paintTrails(painter);
    painter.setPen(Qt::NoPen);
    // Targets lie behind the agents.
    for (const ArenaMarker& marker : targets_) {
        if (marker.visible && marker.width > 0 && marker.height > 0) {
            painter.setBrush(marker.color);
            painter.drawRect(QRectF(marker.left, marker.top, marker.width, marker.height));
        }
    }
    for (const ArenaMarker& marker : agents_) {
        if (marker.visible && marker.width > 0 && marker.height > 0) {
            painter.setBrush(marker.color);
            painter.drawEllipse(QRectF(marker.left, marker.top, marker.width, marker.height));
        }
    }
    paintMessages(painter);
}

}  // namespace murelta::ui
