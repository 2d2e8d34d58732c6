#include "ui/designer_window.hpp"

#include "sim/state.hpp"

namespace murelta::ui {

DesignerWindow::DesignerWindow(SimState& state, std::function<QString()> agentCountText,
                               QWidget* parent)
    : QDialog(parent), s_(state), agentCountText_(std::move(agentCountText)) {
    setObjectName(QStringLiteral("frmCom"));
    setWindowTitle(QStringLiteral("Communication Network Settings"));
    resize(800, 600);
}

void DesignerWindow::rebuild() {}

}  // namespace murelta::ui
