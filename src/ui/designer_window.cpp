#include "ui/designer_window.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "network/editing.hpp"
#include "network/links.hpp"
#include "network/presets.hpp"
#include "sim/state.hpp"
#include "ui/box_numbers.hpp"
#include "ui/look.hpp"
#include "ui/message_box.hpp"
#include "ui/network_view.hpp"

namespace murelta::ui {

namespace {

const QString kNoAgentText = QStringLiteral("----");

std::size_t index(std::int16_t i) {
    return static_cast<std::size_t>(i);
}

// Marker i's top-left corner lies on a ring around the picture's centre; the angle step of
// 6.28 / n (not 2 pi) and the margin m = W / 20 for both axes are the designed layout.
std::vector<QRectF> ringLayout(std::int16_t count) {
    const double w = NetworkView::kDesignSize;
    const double h = NetworkView::kDesignSize;
    const double m = w / 20.0;
    std::vector<QRectF> rects;
    for (std::int16_t i = 0; i < count; ++i) {
        const double theta = 6.28 / count * i;
        const double left = ((w - m) / 2.0) * std::cos(theta) + (w - m) / 2.0;
        const double top = ((h - m) / 2.0) * std::sin(theta) + (h - m) / 2.0;
        rects.emplace_back(left, top, kMarkerSize, kMarkerSize);
    }
    return rects;
}

QPointF centreOf(const QRectF& rect, double hw, double hh) {
    return {rect.left() + hw, rect.top() + hh};
}

QPushButton* makeButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // In a dialog, Return in a box would otherwise press a topology or link button.
    button->setAutoDefault(false);
    return button;
}

QLineEdit* makeBox(const QString& name, const QString& text, QWidget* parent) {
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setMaximumWidth(70);
    return box;
}

}  // namespace

DesignerWindow::DesignerWindow(SimState& state, std::function<QString()> agentCountText,
                               QWidget* parent)
    : QDialog(parent), s_(state), agentCountText_(std::move(agentCountText)) {
    setObjectName(QStringLiteral("frmCom"));
    setWindowTitle(QStringLiteral("Communication Network Settings"));

    pictAr_ = new NetworkView(this);
    pictAr_->setObjectName(QStringLiteral("pictAr"));
    connect(pictAr_, &NetworkView::pressed, this, &DesignerWindow::pictAr_MouseDown);

    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(buildRangeFrame());
    rightColumn->addWidget(buildDesignerFrame());
    rightColumn->addWidget(buildTopologyFrame());
    rightColumn->addStretch(1);

    cmb_preset_ = new QComboBox(this);
    cmb_preset_->setObjectName(QStringLiteral("cmb_preset"));
    for (std::string_view name : kPresetNames) {
        cmb_preset_->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    cmb_preset_->setPlaceholderText(QStringLiteral("Paper Presets"));
    cmb_preset_->setCurrentIndex(-1);
    // activated, not currentIndexChanged: picking the item already shown applies it again.
    connect(cmb_preset_, &QComboBox::activated, this, &DesignerWindow::cmb_preset_Click);

    auto* presetsAndTargets = new QVBoxLayout;
    presetsAndTargets->addWidget(cmb_preset_);
    presetsAndTargets->addWidget(buildTargetFrame());
    presetsAndTargets->addStretch(1);

    auto* lblAgent = new QLabel(QStringLiteral("Selected Agent: "), this);
    lblAgent->setObjectName(QStringLiteral("lblAgent"));
    lblNoAgent_ = new QLabel(kNoAgentText, this);
    lblNoAgent_->setObjectName(QStringLiteral("lblNoAgent"));
    QFont large = lblNoAgent_->font();
    large.setPointSizeF(large.pointSizeF() * 1.8);
    large.setBold(true);
    lblNoAgent_->setFont(large);
    auto* selectedColumn = new QVBoxLayout;
    selectedColumn->addWidget(lblAgent);
    selectedColumn->addWidget(lblNoAgent_);
    selectedColumn->addStretch(1);

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addLayout(presetsAndTargets);
    bottomRow->addWidget(buildAgentFrame());
    bottomRow->addLayout(selectedColumn);
    bottomRow->addStretch(1);

    auto* command1 = makeButton(QStringLiteral("Command1"), QStringLiteral("Command1"), this);
    command1->setToolTip(QStringLiteral("Redraw the links"));
    connect(command1, &QPushButton::clicked, this, &DesignerWindow::Command1_Click);
    auto* cmdok = makeButton(QStringLiteral("cmdok"), QStringLiteral("ok"), this);
    connect(cmdok, &QPushButton::clicked, this, &DesignerWindow::cmdok_Click);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(command1);
    closeRow->addWidget(cmdok);

    auto* grid = new QGridLayout(this);
    grid->addWidget(pictAr_, 0, 0);
    grid->addLayout(rightColumn, 0, 1);
    grid->addLayout(bottomRow, 1, 0);
    grid->addLayout(closeRow, 1, 1, Qt::AlignBottom);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(0, 1);

    loadNetwork();
}

QGroupBox* DesignerWindow::buildRangeFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Communication range"), this);
    frame->setObjectName(QStringLiteral("fraRange"));
    commOption0_ = new QRadioButton(QStringLiteral("Space independent"), frame);
    commOption0_->setObjectName(QStringLiteral("commOption_0"));
    commOption1_ = new QRadioButton(QStringLiteral("Space dependent"), frame);
    commOption1_->setObjectName(QStringLiteral("commOption_1"));
    commOption_ = new QButtonGroup(this);
    commOption_->setObjectName(QStringLiteral("commOption"));
    commOption_->addButton(commOption0_, 0);
    commOption_->addButton(commOption1_, 1);
    // Shown selected without touching commRadius: the radius in force may come from the main
    // window's box until the user picks an option.
    commOption0_->setChecked(true);
    // idClicked comes from the user only, also for the option already selected, which sets
    // the radius again; showing an option from code stays silent.
    connect(commOption_, &QButtonGroup::idClicked, this, &DesignerWindow::commOption_Click);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(commOption0_);
    layout->addWidget(commOption1_);
    return frame;
}

QGroupBox* DesignerWindow::buildDesignerFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Network designer"), this);
    frame->setObjectName(QStringLiteral("fraDesigner"));
    auto* mono = makeButton(QStringLiteral("cmdMonoCOm"), QStringLiteral(">>"), frame);
    mono->setToolTip(QStringLiteral("Link two agents one way: pick the sender, then the receiver"));
    auto* bi = makeButton(QStringLiteral("cmdBiCom"), QStringLiteral("<< >>"), frame);
    bi->setToolTip(QStringLiteral("Link two agents both ways: pick both"));
    auto* cut = makeButton(QStringLiteral("cmdCutCom"), QStringLiteral("!"), frame);
    cut->setToolTip(QStringLiteral("Remove the links between two agents: pick both"));
    connect(mono, &QPushButton::clicked, this, &DesignerWindow::cmdMonoCOm_Click);
    connect(bi, &QPushButton::clicked, this, &DesignerWindow::cmdBiCom_Click);
    connect(cut, &QPushButton::clicked, this, &DesignerWindow::cmdCutCom_Click);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(mono);
    layout->addWidget(bi);
    layout->addWidget(cut);
    return frame;
}

QGroupBox* DesignerWindow::buildTopologyFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Predefined Network topologies"), this);
    frame->setObjectName(QStringLiteral("fraTopologies"));
    auto* all = makeButton(QStringLiteral("cmdNetAll"), QStringLiteral("All2All"), frame);
    auto* circle = makeButton(QStringLiteral("cmdNetCircle"), QStringLiteral("Circle"), frame);
    auto* star = makeButton(QStringLiteral("cmdNetStar"), QStringLiteral("Star"), frame);
    auto* none = makeButton(QStringLiteral("cmdNetClear"), QStringLiteral("None"), frame);
    connect(all, &QPushButton::clicked, this, &DesignerWindow::cmdNetAll_Click);
    connect(circle, &QPushButton::clicked, this, &DesignerWindow::cmdNetCircle_Click);
    connect(star, &QPushButton::clicked, this, &DesignerWindow::cmdNetStar_Click);
    connect(none, &QPushButton::clicked, this, &DesignerWindow::cmdNetClear_Click);
    auto* layout = new QHBoxLayout(frame);
    layout->addWidget(all);
    layout->addWidget(circle);
    layout->addWidget(star);
    layout->addWidget(none);
    return frame;
}

QGroupBox* DesignerWindow::buildTargetFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Targets"), this);
    frame->setObjectName(QStringLiteral("fraTargets"));
    auto* left = makeButton(QStringLiteral("cmdShiftLeft"), QStringLiteral("<"), frame);
    auto* right = makeButton(QStringLiteral("cmdShiftRight"), QStringLiteral(">"), frame);
    left->setMaximumWidth(32);
    right->setMaximumWidth(32);
    noFood_ = new QLabel(QStringLiteral("0"), frame);
    noFood_->setObjectName(QStringLiteral("noFood"));
    txtSize_ = makeBox(QStringLiteral("txtSize"), QString(), frame);
    connect(left, &QPushButton::clicked, this, &DesignerWindow::cmdShiftLeft_Click);
    connect(right, &QPushButton::clicked, this, &DesignerWindow::cmdShiftRight_Click);
    connect(txtSize_, &QLineEdit::textChanged, this, &DesignerWindow::txtSize_Change);
    auto* layout = new QGridLayout(frame);
    layout->addWidget(left, 0, 0);
    layout->addWidget(right, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("Target no:"), frame), 0, 2);
    layout->addWidget(noFood_, 0, 3);
    layout->addWidget(new QLabel(QStringLiteral("Size"), frame), 1, 0, 1, 2);
    layout->addWidget(txtSize_, 1, 2, 1, 2);
    return frame;
}

QGroupBox* DesignerWindow::buildAgentFrame() {
    fraAgent_ = new QGroupBox(QStringLiteral("Agent"), this);
    fraAgent_->setObjectName(QStringLiteral("fraAgent"));
    txtRetina_ = makeBox(QStringLiteral("txtRetina"), kNoAgentText, fraAgent_);
    checkLeader_ = new QCheckBox(QStringLiteral("Leader"), fraAgent_);
    checkLeader_->setObjectName(QStringLiteral("checkLeader"));
    txtRank_ = makeBox(QStringLiteral("txtRank"), QStringLiteral("---"), fraAgent_);
    // Every change of text stores at once, as the user types. When the window itself fills
    // the boxes it blocks their signals (QSignalBlocker): storing a value just read would
    // re-create the agent's view empty, and the Leader box is only set by the rule below.
    connect(txtRetina_, &QLineEdit::textChanged, this, &DesignerWindow::txtRetina_Change);
    connect(txtRank_, &QLineEdit::textChanged, this, &DesignerWindow::txtRank_Change);
    // clicked comes from the user only, after the box has toggled.
    connect(checkLeader_, &QCheckBox::clicked, this, &DesignerWindow::checkLeader_Click);
    auto* layout = new QGridLayout(fraAgent_);
    layout->addWidget(txtRetina_, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Retina(sensory field)"), fraAgent_), 0, 1);
    layout->addWidget(checkLeader_, 1, 0, 1, 2);
    layout->addWidget(txtRank_, 2, 0);
    layout->addWidget(new QLabel(QStringLiteral("Leader"), fraAgent_), 2, 1);
    return fraAgent_;
}

void DesignerWindow::rebuild() {
    {
        // The new agents have their default values, not the last preset's.
        const QSignalBlocker blocker(cmb_preset_);
        cmb_preset_->setCurrentIndex(-1);
    }
    loadNetwork();
}

void DesignerWindow::loadNetwork() {
    currentTarget_ = 0;
    showTarget();
    const std::int16_t n = agentCount();
    agentMark_.assign(index(n) + 1, Mark::None);
    pictAr_->setMarkers(ringLayout(n));
    linkMode_ = LinkMode::Select;
    clickCount_ = 0;
    showNoAgent(QStringLiteral("---"));
    drawLink();
    updateSelected();
}

// The agents that exist: none until a "Set parameters" has made them, and none after a refused
// one, whose parameters no longer match the arrays.
std::int16_t DesignerWindow::agentCount() const {
    return hasStructures(s_) ? s_.groupSize : std::int16_t{0};
}

void DesignerWindow::drawLink() {
    std::vector<NetworkView::Segment> segments;
    const auto& markers = pictAr_->markers();
    const std::size_t n = std::min(markers.size(), index(agentCount()));
    if (n > 0) {
        const double hw = markers[0].rect.width() / 2.0;
        const double hh = markers[0].rect.height() / 2.0;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = 0; j < n; ++j) {
                const std::uint8_t forward = s_.agents[i].links[j];
                const std::uint8_t backward = s_.agents[j].links[i];
                const QRectF& from = markers[i].rect;
                const QRectF& to = markers[j].rect;
                if (forward == 1 && backward == 1) {
                    segments.push_back(
                        {centreOf(from, hw, hh), centreOf(to, hw, hh), kBiLinkColor});
                } else if (forward == 1 && backward == 0) {
                    const double dx = (to.left() - from.left()) / 2.0;
                    const double dy = (to.top() - from.top()) / 2.0;
                    const QPointF middle(from.left() + hw + dx, from.top() + hh + dy);
                    segments.push_back({centreOf(from, hw, hh), middle, kSendColor});
                    segments.push_back({middle, centreOf(to, hw, hh), kReceiveColor});
                }
            }
        }
    }
    pictAr_->setSegments(std::move(segments));
}

void DesignerWindow::updateSelected() {
    const std::size_t n = std::min(pictAr_->markers().size(), index(agentCount()));
    for (std::size_t i = 0; i < n; ++i) {
        QColor fill = kAgentColor;
        switch (agentMark_[i]) {
            case Mark::None:
                fill = s_.agent(static_cast<int>(i)).rank == 1 ? kLeaderColor : kAgentColor;
                break;
            case Mark::Selected:
                fill = kMarkColor;
                break;
            case Mark::LinkEnd:
                fill = kEndColor;
                break;
        }
        pictAr_->setMarkerFill(i, fill);
    }
}

std::vector<std::int16_t> DesignerWindow::selectedAgents() const {
    std::vector<std::int16_t> selected;
    for (std::size_t i = 0; i < agentMark_.size(); ++i) {
        if (agentMark_[i] == Mark::Selected) {
            selected.push_back(static_cast<std::int16_t>(i));
        }
    }
    return selected;
}

void DesignerWindow::unselectAll() {
    std::fill(agentMark_.begin(), agentMark_.end(), Mark::None);
    updateSelected();
}

// The whole bounding square of the round marker counts, edges excluded; the highest index wins
// where markers overlap.
std::int16_t DesignerWindow::findAgentAt(QPointF point) const {
    std::int16_t found = -1;
    const auto& markers = pictAr_->markers();
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const QRectF& r = markers[i].rect;
        if (r.left() < point.x() && point.x() < r.left() + r.width() && r.top() < point.y() &&
            point.y() < r.top() + r.height()) {
            found = static_cast<std::int16_t>(i);
        }
    }
    return found;
}

void DesignerWindow::pictAr_MouseDown(QPointF point) {
    if (linkMode_ == LinkMode::Select) {
        selectAgentAt(point);
    } else {
        pickLinkEndAt(point);
    }
}

void DesignerWindow::selectAgentAt(QPointF point) {
    const std::int16_t k = findAgentAt(point);
    std::fill(agentMark_.begin(), agentMark_.end(), Mark::None);
    if (k == -1) {
        showNoAgent(kNoAgentText);
    } else {
        agentMark_[index(k)] = Mark::Selected;
        showAgent(k);
    }
    updateSelected();
}

void DesignerWindow::pickLinkEndAt(QPointF point) {
    const std::int16_t k = findAgentAt(point);
    if (k != -1) {
        linkEnds_[static_cast<std::size_t>(clickCount_)] = k;
        agentMark_[index(k)] = Mark::LinkEnd;
        if (clickCount_ == 1) {
            const std::int16_t a = linkEnds_[0];
            const std::int16_t b = linkEnds_[1];
            runCommand(this, [&] {
                switch (linkMode_) {
                    case LinkMode::Mono:
                        setMonoLink(s_, a, b);
                        break;
                    case LinkMode::Bi:
                        setBiLink(s_, a, b);
                        break;
                    case LinkMode::Delete:
                    case LinkMode::Select:
                        deleteLink(s_, a, b);
                        break;
                }
            });
            linkMode_ = LinkMode::Select;
            drawLink();
            unselectAll();
            emit edited();
        }
        ++clickCount_;
    }
    updateSelected();
}

void DesignerWindow::armLinkCommand(LinkMode mode) {
    unselectAll();
    linkMode_ = mode;
    clickCount_ = 0;
}

void DesignerWindow::cmdMonoCOm_Click() {
    armLinkCommand(LinkMode::Mono);
}

void DesignerWindow::cmdBiCom_Click() {
    armLinkCommand(LinkMode::Bi);
}

void DesignerWindow::cmdCutCom_Click() {
    armLinkCommand(LinkMode::Delete);
}

void DesignerWindow::cmdNetAll_Click() {
    runCommand(this, [this] { netAll2All(s_); });
    drawLink();
    emit edited();
}

void DesignerWindow::cmdNetCircle_Click() {
    runCommand(this, [this] { netCircle(s_); });
    drawLink();
    emit edited();
}

void DesignerWindow::cmdNetStar_Click() {
    runCommand(this, [this] { netStar(s_); });
    drawLink();
    emit edited();
}

void DesignerWindow::cmdNetClear_Click() {
    runCommand(this, [this] { clearNet(s_); });
    drawLink();
    emit edited();
}

void DesignerWindow::commOption_Click(int option) {
    s_.commRadius = option == 1 ? kSpaceDependentRadius : kSpaceIndependentRadius;
    emit edited();
}

void DesignerWindow::showRangeOption() {
    (s_.commRadius == kSpaceDependentRadius ? commOption1_ : commOption0_)->setChecked(true);
}

void DesignerWindow::cmb_preset_Click(int item) {
    const std::string name = cmb_preset_->itemText(item).toStdString();
    const std::string count =
        (agentCountText_ ? agentCountText_() : QString::number(s_.groupSize)).toStdString();
    runCommand(this, [&] { applyPreset(s_, name, count); });
    showRangeOption();
    drawLink();
    // A preset may make a leader or change the selected agent's retina: show it at once
    // rather than at the next press in the picture.
    updateSelected();
    if (panelAgent_ && agentMark_[index(*panelAgent_)] == Mark::Selected) {
        showAgent(*panelAgent_);
    }
    emit edited();
}

// The Leader box shows rank 1 checked and 0 unchecked; any higher rank, which only the rank
// box can give, shows partially checked so that the box does not claim "no leader".
void DesignerWindow::showLeaderBox(std::int16_t rank) {
    const QSignalBlocker blocker(checkLeader_);
    checkLeader_->setTristate(rank >= 2);
    checkLeader_->setCheckState(rank == 1   ? Qt::Checked
                                : rank >= 2 ? Qt::PartiallyChecked
                                            : Qt::Unchecked);
}

void DesignerWindow::showAgent(std::int16_t agent) {
    const Agent& a = s_.agents[index(agent)];
    const QSignalBlocker retinaBlocker(txtRetina_);
    const QSignalBlocker rankBlocker(txtRank_);
    panelAgent_ = agent;
    lblNoAgent_->setText(QString::number(agent));
    txtRetina_->setText(numberText(a.retina));
    txtRank_->setText(QString::number(a.rank));
    showLeaderBox(a.rank);
    fraAgent_->setEnabled(true);
}

void DesignerWindow::showNoAgent(const QString& rankText) {
    const QSignalBlocker retinaBlocker(txtRetina_);
    const QSignalBlocker rankBlocker(txtRank_);
    panelAgent_.reset();
    lblNoAgent_->setText(kNoAgentText);
    txtRetina_->setText(kNoAgentText);
    txtRank_->setText(rankText);
    showLeaderBox(0);
    fraAgent_->setEnabled(false);
}

void DesignerWindow::checkLeader_Click() {
    if (!panelAgent_) {
        return;
    }
    const std::int16_t agent = *panelAgent_;
    LeaderClick click;
    if (!runCommand(this, [&] {
            click = leaderClick(s_, agent, checkLeader_->checkState() == Qt::Checked);
        })) {
        return;
    }
    switch (click.action) {
        case LeaderClick::Action::kNothing:
            break;
        case LeaderClick::Action::kSetRank: {
            {
                const QSignalBlocker blocker(txtRank_);
                txtRank_->setText(QString::number(click.rank));
            }
            // Stored through the rank box, so that it goes where the box's values go.
            txtRank_Change();
            break;
        }
        case LeaderClick::Action::kRefuse:
            // Undo the tick: the box goes back to what the agent's rank shows.
            showLeaderBox(s_.agents[index(agent)].rank);
            showMessage(this, QStringLiteral("Only 1 leader is allowed within a group"), kAppTitle,
                        MessageIcon::Exclamation);
            break;
    }
}

void DesignerWindow::txtRank_Change() {
    if (const std::optional<double> value = boxNumber(txtRank_->text())) {
        runCommand(this, [&] { storeRank(s_, selectedAgents(), *value); });
        emit edited();
    }
}

void DesignerWindow::txtRetina_Change() {
    if (const std::optional<double> value = boxNumber(txtRetina_->text())) {
        runCommand(this, [&] { storeRetina(s_, selectedAgents(), *value); });
        emit edited();
    }
}

void DesignerWindow::txtSize_Change() {
    if (const std::optional<double> value = boxNumber(txtSize_->text())) {
        runCommand(this, [&] { storeTargetSize(s_, currentTarget_, *value); });
        emit edited();
    }
}

void DesignerWindow::showTarget() {
    const QSignalBlocker blocker(txtSize_);
    noFood_->setText(QString::number(currentTarget_));
    const bool exists = currentTarget_ >= 0 && index(currentTarget_) < s_.targets.size();
    txtSize_->setText(exists ? QString::number(s_.targets[index(currentTarget_)].size) : QString());
}

void DesignerWindow::cmdShiftLeft_Click() {
    currentTarget_ = shiftedTarget(s_, currentTarget_, -1);
    showTarget();
}

void DesignerWindow::cmdShiftRight_Click() {
    currentTarget_ = shiftedTarget(s_, currentTarget_, 1);
    showTarget();
}

// Whoever opened the window decides whether closing deletes it.
void DesignerWindow::cmdok_Click() {
    close();
}

void DesignerWindow::Command1_Click() {
    drawLink();
}

}  // namespace murelta::ui
