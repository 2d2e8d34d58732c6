// What the windows share in looks: the program's title and the colours of agents, targets and
// links, so that the arena and the designer show a leader alike.
#pragma once

#include <QColor>
#include <QString>

namespace murelta::ui {

// The title of the main window and of the program's messages.
inline const QString kAppTitle = QStringLiteral("Murelta");

inline const QColor kAgentColor{155, 155, 155};  // agent without mark
inline const QColor kLeaderColor{0, 0, 255};     // agent of rank 1
inline const QColor kTargetColor{40, 160, 60};   // target on the arena
inline const QColor kMarkColor{255, 0, 0};       // agent selected in the designer
inline const QColor kEndColor{0, 255, 255};      // agent picked as a link end
inline const QColor kBiLinkColor{10, 10, 200};   // link both ways
inline const QColor kSendColor{0, 200, 0};       // sending half of a one-way link
inline const QColor kReceiveColor{200, 0, 0};    // receiving half of a one-way link

}  // namespace murelta::ui
