// Tests for the communication network designer window.
#include <QtTest>

#include "sim/params.hpp"
#include "sim/state.hpp"
#include "ui/designer_window.hpp"

namespace murelta::ui {

class DesignerWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void captionIsCommunicationNetworkSettings() {
        SimState s;
        setParameters(s, Params{}, "untitle");
        DesignerWindow window(s, [] { return QStringLiteral("10"); });
        QCOMPARE(window.windowTitle(), QStringLiteral("Communication Network Settings"));
        QCOMPARE(window.objectName(), QStringLiteral("frmCom"));
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::DesignerWindowTest)
#include "designer_window_test.moc"
