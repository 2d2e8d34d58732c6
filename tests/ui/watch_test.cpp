// Tests for watching a run: pause, step and resume change time and never results; messages
// and trails on the arena show what the state holds.
#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "network/presets.hpp"
#include "sim/state.hpp"
#include "support/window_helpers.hpp"
#include "ui/arena_view.hpp"
#include "ui/main_window.hpp"

namespace murelta::ui {

namespace {

// The cycle the counters show: "Run no: r/N Cycle: c/M".
int shownCycle(MainWindow& window) {
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Cycle: (\\d+)/"))
                                              .match(child<QLineEdit>(window, "txtInfo")->text());
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// Every message in the queue with delay 0, read slot by slot.
std::vector<MessageLine> deliveredNow(const SimState& s) {
    std::vector<MessageLine> lines;
    for (int slot = 0; slot < MessageQueue::kSlots; ++slot) {
        const Message m = s.messages.at(slot);
        if (m.delay == 0) {
            const Agent& from = s.agent(m.sender);
            const Agent& to = s.agent(m.receiver);
            lines.push_back({m.sender, m.receiver, QPoint(from.x, from.y), QPoint(to.x, to.y),
                             QPoint(m.x, m.y), m.value});
        }
    }
    return lines;
}

}  // namespace

class WatchTest : public QObject {
    Q_OBJECT

    MessageRecorder recorder_;

    // A window in a folder of its own, set for a short drawn simulation at full speed.
    struct Session {
        QString startDir = QDir::currentPath();
        QTemporaryDir dir;
        SimState s;
        MainWindow window{s};
        explicit Session(const QString& runs = QStringLiteral("2")) {
            QTEST_ASSERT(dir.isValid());
            QDir::setCurrent(dir.path());
            type(window, "txtNoRun", runs);
            type(window, "txtCicli", QStringLiteral("400"));
            click(window, "Command2");
            window.show();
        }
        ~Session() { QDir::setCurrent(startDir); }
        Session(const Session&) = delete;
        Session& operator=(const Session&) = delete;
        QByteArray dataFile() const {
            return readFile(QString::fromStdString(s.dataFileName) + ".xls");
        }
        // Starts the simulation, pausing it at once; `onPaused` runs at every cycle shown
        // while paused and steps, resumes or stops.
        void runPaused(const std::function<void()>& onPaused) {
            QObject::connect(&window, &MainWindow::cycleShown, &window, onPaused);
            QTimer::singleShot(0, &window, [this] { click(window, "cmdPause"); });
            runToEnd(window);
        }
    };

  private slots:
    void init() { recorder_.messages.clear(); }

    void pausingAndSteppingChangeNothingButTime() {
        QByteArray uninterrupted;
        {
            Session session;
            runToEnd(session.window);
            uninterrupted = session.dataFile();
        }
        QVERIFY(!uninterrupted.isEmpty());

        Session session;
        MainWindow& window = session.window;
        int steps = 0;
        int before = -1;
        bool everyStepWasOne = true;
        session.runPaused([&] {
            QVERIFY(window.paused());
            const int cycle = shownCycle(window);
            if (before >= 0) {
                everyStepWasOne = everyStepWasOne && cycle == before + 1;
            }
            before = cycle;
            if (steps++ < 10) {
                QVERIFY(child<QPushButton>(window, "cmdStep")->isEnabled());
                click(window, "cmdStep");
            } else {
                QCOMPARE(child<QPushButton>(window, "cmdPause")->text(), QStringLiteral("Resume"));
                click(window, "cmdPause");
            }
        });
        QCOMPARE(steps, 11);
        QVERIFY(everyStepWasOne);
        QVERIFY(!window.paused());
        QCOMPARE(session.dataFile(), uninterrupted);
    }

    void stopWhilePausedEndsTheSimulationAndSavesItsData() {
        Session session;
        session.runPaused([&] { click(session.window, "cmdStop"); });
        QVERIFY(!session.s.running);
        QVERIFY(!session.window.paused());
        QVERIFY(!session.dataFile().isEmpty());
        QCOMPARE(recorder_.messages.size(), std::size_t{1});
        QVERIFY(recorder_.messages[0].text.contains(QStringLiteral("not completed")));
        QVERIFY(child<QPushButton>(session.window, "Command1")->isEnabled());
        QVERIFY(!child<QPushButton>(session.window, "cmdPause")->isEnabled());
    }

    void messagesAndTrailsShowTheDrawnCycle() {
        Session session(QStringLiteral("1"));
        applyPreset(session.s, "Tab 10b", "10");
        click(session.window, "chkMessages");
        child<QSpinBox>(session.window, "spnTrail")->setValue(6);
        click(session.window, "chkTrails");
        ArenaView& arena = *session.window.arena();
        std::vector<std::vector<QPoint>> cells;  // each agent's cell at every cycle shown
        int framesWithMessages = 0;
        session.runPaused([&] {
            QVERIFY(arena.messageLines() == deliveredNow(session.s));
            framesWithMessages += arena.messageLines().empty() ? 0 : 1;
            std::vector<QPoint> now;
            for (int a = 0; a < session.s.groupSize; ++a) {
                now.emplace_back(session.s.agent(a).x, session.s.agent(a).y);
            }
            cells.push_back(now);
            if (cells.size() >= 8) {
                // The last six cells of every agent, oldest first.
                for (int a = 0; a < session.s.groupSize; ++a) {
                    const std::deque<QPoint>& trail = arena.trail(a);
                    QCOMPARE(trail.size(), std::size_t{6});
                    for (std::size_t k = 0; k < 6; ++k) {
                        QCOMPARE(trail[k],
                                 cells[cells.size() - 6 + k][static_cast<std::size_t>(a)]);
                    }
                }
            }
            click(session.window, cells.size() < 40 ? "cmdStep" : "cmdStop");
        });
        QVERIFY(framesWithMessages > 0);
    }

    void theAgentPanelShowsTheClickedAgentAsTheStateHoldsIt() {
        Session session(QStringLiteral("1"));
        click(session.window, "chkExpGene");
        click(session.window, "Command2");
        applyPreset(session.s, "Tab 10b", "10");
        const SimState& s = session.s;
        MainWindow& window = session.window;
        ArenaView& arena = *window.arena();
        const auto field = [&](const char* name) { return child<QLabel>(window, name)->text(); };
        int frames = 0;
        session.runPaused([&] {
            if (frames == 0) {
                const ArenaMarker& marker = arena.agentMarkers()[0];
                const QPointF centre((marker.left + marker.width / 2) / ArenaView::kDesignWidth *
                                         static_cast<float>(arena.width()),
                                     (marker.top + marker.height / 2) / ArenaView::kDesignHeight *
                                         static_cast<float>(arena.height()));
                QTest::mouseClick(&arena, Qt::LeftButton, {}, centre.toPoint());
            }
            const Agent& agent = s.agent(0);
            QCOMPARE(field("lblAgentIndex"), QStringLiteral("0"));
            QCOMPARE(field("lblAgentCell"), QStringLiteral("(%1, %2)").arg(agent.x).arg(agent.y));
            QCOMPARE(field("lblAgentLeader"), QStringLiteral("yes (rank 1)"));
            QCOMPARE(field("lblAgentOut"),
                     agent.inArena ? QStringLiteral("no") : QStringLiteral("yes"));
            QCOMPARE(field("lblAgentHeading"),
                     QStringLiteral("(%1, %2)").arg(agent.headingX).arg(agent.headingY));
            QVERIFY(field("lblAgentGenes")
                        .startsWith(QStringLiteral("exploration %1").arg(agent.expGene)));
            QStringList receivers;
            int waiting = 0;
            for (int k = 0; k < s.groupSize; ++k) {
                if (agent.links[static_cast<std::size_t>(k)] == 1) {
                    receivers.append(QString::number(k));
                }
            }
            for (int slot = 0; slot < MessageQueue::kSlots; ++slot) {
                const Message m = s.messages.at(slot);
                waiting += m.receiver == 0 && m.delay > 0 ? 1 : 0;
            }
            QCOMPARE(field("lblAgentLinks"), receivers.join(QStringLiteral(", ")));
            QCOMPARE(child<QListWidget>(window, "lstAgentMessages")->count(), waiting);
            click(window, ++frames < 15 ? "cmdStep" : "cmdStop");
        });
        QCOMPARE(frames, 15);
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::WatchTest)
#include "watch_test.moc"
