#include "ui/arena_view.hpp"

#include <QPainter>
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
    }
    for (std::size_t t = 0; t < targets_.size(); ++t) {
        targets_[t].top = floorOf(static_cast<float>(s.targets[t].y) * kDesignHeight / height);
        targets_[t].left = floorOf(static_cast<float>(s.targets[t].x) * kDesignWidth / width);
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
}

}  // namespace murelta::ui
