#include "ui/agent_panel.hpp"

#include <QFormLayout>
#include <QLabel>
#include <QListWidget>

#include "sim/state.hpp"

namespace murelta::ui {

namespace {

QString cellText(double x, double y) {
    return QStringLiteral("(%1, %2)").arg(x).arg(y);
}

}  // namespace

AgentPanel::AgentPanel(QWidget* parent) : QGroupBox(QStringLiteral("Agent"), parent) {
    setObjectName(QStringLiteral("grpAgent"));
    setToolTip(QStringLiteral("Click an agent on the arena while paused or stopped"));
    new QFormLayout(this);
    index_ = addField("lblAgentIndex", QStringLiteral("Index"));
    cell_ = addField("lblAgentCell", QStringLiteral("Cell"));
    retina_ = addField("lblAgentRetina", QStringLiteral("Retina"));
    leader_ = addField("lblAgentLeader", QStringLiteral("Leader"));
    out_ = addField("lblAgentOut", QStringLiteral("Out"));
    heading_ = addField("lblAgentHeading", QStringLiteral("Heads for"));
    knows_ = addField("lblAgentKnows", QStringLiteral("Knows"));
    links_ = addField("lblAgentLinks", QStringLiteral("Tells"));
    genes_ = addField("lblAgentGenes", QStringLiteral("Genes"));
    messages_ = new QListWidget(this);
    messages_->setObjectName(QStringLiteral("lstAgentMessages"));
    messages_->setMaximumHeight(90);
    static_cast<QFormLayout*>(layout())->addRow(QStringLiteral("Coming"), messages_);
    clear();
}

QLabel* AgentPanel::addField(const char* name, const QString& caption) {
    auto* field = new QLabel(this);
    field->setObjectName(QString::fromLatin1(name));
    field->setWordWrap(true);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    static_cast<QFormLayout*>(layout())->addRow(caption, field);
    return field;
}

void AgentPanel::clear() {
    agent_ = -1;
    for (QLabel* field :
         {index_, cell_, retina_, leader_, out_, heading_, knows_, links_, genes_}) {
        field->clear();
    }
    index_->setText(QStringLiteral("none: click an agent while paused or stopped"));
    messages_->clear();
}

void AgentPanel::inspect(const SimState& s, int agent, int cycle) {
    if (agent < 0 || agent >= s.groupSize || static_cast<std::size_t>(agent) >= s.agents.size()) {
        clear();
        return;
    }
    agent_ = agent;
    const Agent& a = s.agent(agent);
    index_->setText(QString::number(agent));
    cell_->setText(cellText(a.x, a.y));
    retina_->setText(QString::number(a.retina));
    leader_->setText(a.rank == 1 ? QStringLiteral("yes (rank 1)")
                                 : QStringLiteral("no (rank %1)").arg(a.rank));
    out_->setText(a.inArena ? QStringLiteral("no") : QStringLiteral("yes"));
    heading_->setText(cellText(a.headingX, a.headingY));
    switch (a.knowledge) {
        case Knowledge::Wandering:
            knows_->setText(QStringLiteral("nothing: wandering"));
            break;
        case Knowledge::Retina: {
            const auto index = static_cast<std::size_t>(agent);
            const int seen = index < s.viewSums.size() ? s.viewSums[index].seen : 0;
            knows_->setText(
                QStringLiteral("informed by its retina: %1 target cells in view").arg(seen));
            break;
        }
        case Knowledge::Map:
            knows_->setText(QStringLiteral("informed by its map"));
            break;
    }
    QStringList receivers;
    for (int k = 0; k < s.groupSize && static_cast<std::size_t>(k) < a.links.size(); ++k) {
        if (a.links[static_cast<std::size_t>(k)] == 1) {
            receivers.append(QString::number(k));
        }
    }
    links_->setText(receivers.isEmpty() ? QStringLiteral("nobody") : receivers.join(", "));
    genes_->setText(s.expGeneOn || s.comGeneOn
                        ? QStringLiteral("exploration %1, communication %2 (individual %3)")
                              .arg(a.expGene)
                              .arg(a.comGene)
                              .arg(a.individual)
                        : QStringLiteral("no gene option on"));
    messages_->clear();
    for (int slot = 0; slot < MessageQueue::kSlots; ++slot) {
        const Message m = s.messages.at(slot);
        if (m.delay > 0 && m.receiver == agent) {
            messages_->addItem(QStringLiteral("from %1: %2 worth %3, at cycle %4")
                                   .arg(m.sender)
                                   .arg(cellText(m.x, m.y))
                                   .arg(m.value)
                                   .arg(cycle + m.delay));
        }
    }
}

}  // namespace murelta::ui
