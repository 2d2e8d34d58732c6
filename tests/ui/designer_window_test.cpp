// Tests for the communication network designer window, driven through its controls.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "network/links.hpp"
#include "run/set_parameters.hpp"
#include "sim/params.hpp"
#include "sim/state.hpp"
#include "support/window_helpers.hpp"
#include "ui/designer_window.hpp"
#include "ui/look.hpp"
#include "ui/message_box.hpp"
#include "ui/network_view.hpp"

namespace murelta::ui {

namespace {

// A picture of 1000 pixels makes one pixel 5 design units, so marker edges (4750, 2375, ...)
// fall exactly on pixels.
constexpr int kPictureSide = 1000;

SimState stateWith(int agents, int targets = 1) {
    Params p;
    p.agents = std::to_string(agents);
    p.foods = std::to_string(targets);
    SimState s;
    setParameters(s, p, "untitle");  // P (connection) 0: no links
    return s;
}

// An open designer on a state, with the helpers a user's actions need.
class Designer {
  public:
    explicit Designer(SimState& s)
        : window_(std::make_unique<DesignerWindow>(s, [] { return QStringLiteral("10"); })) {
        window_->show();
        QTEST_ASSERT(fitPicture(*window_, kPictureSide));
    }

    DesignerWindow& window() { return *window_; }
    NetworkView* picture() { return child<NetworkView>("pictAr"); }
    template <typename T>
    T* child(const char* name) {
        return ui::child<T>(*window_, name);
    }
    QString text(const char* name) { return child<QObject>(name)->property("text").toString(); }

    QPointF centre(int agent) {
        return picture()->markers()[static_cast<std::size_t>(agent)].rect.center();
    }
    QColor fill(int agent) { return picture()->markers()[static_cast<std::size_t>(agent)].fill; }
    void press(QPointF design) {
        QTest::mouseClick(picture(), Qt::LeftButton, {}, picture()->toPixel(design).toPoint());
    }
    void pressAgent(int agent) { press(centre(agent)); }
    void pressEmpty() { press({2500, 2500}); }
    void click(const char* name) {
        auto* button = child<QAbstractButton>(name);
        // A check box or option reacts on its indicator and caption, not on the empty space a
        // layout may give it.
        const bool indicator =
            qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
        QTest::mouseClick(button, Qt::LeftButton, {},
                          indicator ? QPoint(6, button->height() / 2) : button->rect().center());
    }
    void type(const char* name, const QString& text) { ui::type(*window_, name, text); }

  private:
    std::unique_ptr<DesignerWindow> window_;
};

}  // namespace

class DesignerWindowTest : public QObject {
    Q_OBJECT

    std::optional<MessageRecorder> recorder_;

    // The texts of the messages shown, each checked to be a warning.
    QStringList messages() const {
        QStringList texts;
        for (const Shown& shown : recorder_->messages) {
            QTEST_ASSERT(shown.title == kAppTitle && shown.icon == MessageIcon::Exclamation);
            texts << shown.text;
        }
        return texts;
    }

  private slots:
    void init() { recorder_.emplace(); }
    void cleanup() { recorder_.reset(); }

    void opensWithDesignValues() {
        SimState s = stateWith(10);
        s.commRadius = kSpaceDependentRadius;
        s.targets[0].size = 3;
        Designer d(s);
        QCOMPARE(d.window().windowTitle(), QStringLiteral("Communication Network Settings"));
        QCOMPARE((QStringList{d.text("lblNoAgent"), d.text("txtRetina"), d.text("txtRank")}),
                 (QStringList{"----", "----", "---"}));
        QVERIFY(!d.child<QWidget>("txtRank")->isEnabled());
        QCOMPARE(d.text("noFood") + ":" + d.text("txtSize"), QStringLiteral("0:3"));
        // The option shows "Space independent" while the radius in force stays.
        QVERIFY(d.child<QRadioButton>("commOption_0")->isChecked());
        QCOMPARE(s.commRadius, kSpaceDependentRadius);
        auto* presets = d.child<QComboBox>("cmb_preset");
        QCOMPARE(presets->currentIndex(), -1);
        QCOMPARE(presets->placeholderText(), QStringLiteral("Paper Presets"));
    }

    void tenAgentsLieOnARing() {
        SimState s = stateWith(10);
        Designer d(s);
        const auto& markers = d.picture()->markers();
        QCOMPARE(markers.size(), std::size_t{10});
        QCOMPARE(markers[0].rect, QRectF(4750, 2375, 100, 100));
        // The angle step is 6.28 / 10, not a tenth of 2 pi: agent 5 is just below the left end.
        QVERIFY(qAbs(markers[5].rect.left() - 0.0030) < 1e-3);
        QVERIFY(qAbs(markers[5].rect.top() - 2378.78) < 1e-2);
        QVERIFY(markers[1].rect.top() > 2375);  // clockwise on screen
        for (const auto& marker : markers) {
            const QPointF offset = marker.rect.topLeft() - QPointF(2375, 2375);
            QVERIFY(qAbs(std::hypot(offset.x(), offset.y()) - 2375.0) < 1e-9);
        }
    }

    void pressSelectsTheAgentUnderIt_data() {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<QString>("selected");
        QTest::newRow("centre of agent 3") << QPointF(1692, 4684) << "3";
        QTest::newRow("empty middle") << QPointF(2500, 2500) << "----";
        QTest::newRow("left edge of agent 0") << QPointF(4750, 2420) << "----";
        QTest::newRow("right edge of agent 0") << QPointF(4850, 2420) << "----";
        QTest::newRow("top edge of agent 0") << QPointF(4800, 2375) << "----";
        QTest::newRow("bottom edge of agent 0") << QPointF(4800, 2475) << "----";
        QTest::newRow("just inside agent 0") << QPointF(4755, 2380) << "0";
    }
    void pressSelectsTheAgentUnderIt() {
        QFETCH(QPointF, point);
        QFETCH(QString, selected);
        SimState s = stateWith(10);
        setRetina(s.agent(3), 12.0);
        s.agent(3).rank = 1;
        Designer d(s);
        d.pressAgent(7);
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("7"));
        QCOMPARE(d.fill(7), QColor(kMarkColor));
        d.press(point);
        QCOMPARE(d.text("lblNoAgent"), selected);
        QCOMPARE(d.fill(7), QColor(kAgentColor));
        const bool hit = selected != QStringLiteral("----");
        const QString panel = d.text("txtRetina") + "/" + d.text("txtRank");
        QCOMPARE(panel, !hit                              ? QStringLiteral("----/----")
                        : selected == QStringLiteral("3") ? QStringLiteral("12/1")
                                                          : QStringLiteral("5/0"));
        QCOMPARE(d.child<QCheckBox>("checkLeader")->isChecked(), selected == QStringLiteral("3"));
        QCOMPARE(d.child<QWidget>("txtRank")->isEnabled(), hit);
        // A selected leader shows red, an unselected one blue.
        QCOMPARE(d.fill(3), QColor(selected == QStringLiteral("3") ? kMarkColor : kLeaderColor));
        // Filling the panel stores nothing back.
        QCOMPARE(s.agent(7).retina, 5.0);
        QCOMPARE(s.agent(3).retina, 12.0);
    }

    void linkCommandsTakeTwoPicks_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<QString>("before");  // links a -> b and b -> a
        QTest::addColumn<QString>("after");
        QTest::newRow("mono 2 -> 7") << "cmdMonoCOm" << 2 << 7 << "00"
                                     << "10";
        QTest::newRow("mono reverses 7 -> 2") << "cmdMonoCOm" << 2 << 7 << "01"
                                              << "10";
        QTest::newRow("bi 2 <-> 7") << "cmdBiCom" << 2 << 7 << "01"
                                    << "11";
        QTest::newRow("cut 2 <-> 7") << "cmdCutCom" << 2 << 7 << "11"
                                     << "00";
        QTest::newRow("bi on one agent") << "cmdBiCom" << 4 << 4 << "00"
                                         << "11";
        QTest::newRow("mono on one agent") << "cmdMonoCOm" << 4 << 4 << "11"
                                           << "00";
    }
    void linkCommandsTakeTwoPicks() {
        QFETCH(QString, command);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(QString, before);
        QFETCH(QString, after);
        SimState s = stateWith(10);
        const auto pair = [&] {
            return QString::number(s.agent(a).links[static_cast<std::size_t>(b)]) +
                   QString::number(s.agent(b).links[static_cast<std::size_t>(a)]);
        };
        s.agent(a).links[static_cast<std::size_t>(b)] = before[0] == '1' ? 1 : 0;
        s.agent(b).links[static_cast<std::size_t>(a)] = before[1] == '1' ? 1 : 0;
        Designer d(s);
        d.pressAgent(5);
        d.click("cmdCutCom");
        d.pressAgent(9);  // arming another command restarts the picks
        d.click(command.toLatin1().constData());
        QCOMPARE(d.fill(9), QColor(kAgentColor));
        d.pressAgent(a);
        QCOMPARE(d.fill(a), QColor(kEndColor));
        d.pressEmpty();                                       // a miss counts for nothing
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("5"));  // the panel stays as it was
        d.pressAgent(b);
        QCOMPARE(pair(), after);
        QCOMPARE(d.fill(a), QColor(kAgentColor));
        QCOMPARE(s.agent(9).links[5] + s.agent(5).links[9], 0);
        // Back in selection mode: the next press selects and changes no link.
        d.pressAgent(a);
        QCOMPARE(d.text("lblNoAgent"), QString::number(a));
        QCOMPARE(pair(), after);
    }

    void oneLeaderPerGroup() {
        SimState s = stateWith(10);
        Designer d(s);
        auto* box = d.child<QCheckBox>("checkLeader");
        d.pressAgent(3);
        d.click("checkLeader");
        QCOMPARE(s.agent(3).rank, 1);
        QCOMPARE(d.text("txtRank"), QStringLiteral("1"));

        d.pressAgent(4);  // showing the leader's box unchecked here must not warn
        d.click("checkLeader");
        QVERIFY(!box->isChecked());
        QCOMPARE(messages(), QStringList{"Only 1 leader is allowed within a group"});
        QCOMPARE(s.agent(4).rank + s.agent(3).rank, 1);

        d.pressAgent(3);
        QVERIFY(box->isChecked());
        d.click("checkLeader");  // the leader steps down
        QCOMPARE(s.agent(3).rank, 0);
        d.pressAgent(4);
        d.click("checkLeader");
        QCOMPARE(s.agent(4).rank, 1);
        QCOMPARE(messages().size(), 1);
        d.pressEmpty();
        QCOMPARE(d.fill(4), QColor(kLeaderColor));
    }

    void rankTwoBlocksTheLeaderBox() {
        SimState s = stateWith(10);
        s.agent(6).rank = 2;
        Designer d(s);
        auto* box = d.child<QCheckBox>("checkLeader");
        d.pressAgent(6);
        QCOMPARE(box->checkState(), Qt::PartiallyChecked);
        d.click("checkLeader");
        QCOMPARE(box->checkState(), Qt::PartiallyChecked);
        d.pressAgent(1);
        QCOMPARE(box->checkState(), Qt::Unchecked);
        d.click("checkLeader");
        QCOMPARE(box->checkState(), Qt::Unchecked);
        QCOMPARE(messages().size(), 2);
        QCOMPARE(s.agent(6).rank + s.agent(1).rank, 2);
        d.type("txtRank", QStringLiteral("1"));  // the rank box is not bound by the rule
        QCOMPARE(s.agent(1).rank, 1);
    }

    void boxesStoreWhatTheyRead_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("expected");  // rank, retina or target size afterwards
        QTest::newRow("rank 7") << "txtRank"
                                << "7" << 7;
        QTest::newRow("rank 2.5 halves to even") << "txtRank"
                                                 << "2.5" << 2;
        QTest::newRow("rank negative") << "txtRank"
                                       << "-3" << 0;
        QTest::newRow("rank word") << "txtRank"
                                   << "abc" << 0;
        QTest::newRow("retina 12") << "txtRetina"
                                   << "12" << 12;
        QTest::newRow("retina 7.5") << "txtRetina"
                                    << "7.5" << 8;
        QTest::newRow("retina negative") << "txtRetina"
                                         << "-3" << 5;
        // "9" is taken on the way; 91 would overflow the sensing's count and is refused.
        QTest::newRow("retina 91") << "txtRetina"
                                   << "91" << 9;
        QTest::newRow("size negative") << "txtSize"
                                       << "-2" << -2;
        QTest::newRow("size word") << "txtSize"
                                   << "x" << 0;
    }
    void boxesStoreWhatTheyRead() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(int, expected);
        SimState s = stateWith(10);
        Designer d(s);
        d.pressAgent(2);
        d.type(box.toLatin1().constData(), typed);
        if (box == QStringLiteral("txtRank")) {
            QCOMPARE(int(s.agent(2).rank), expected);
        } else if (box == QStringLiteral("txtRetina")) {
            QCOMPARE(s.agent(2).retina, double(expected));
        } else {
            QCOMPARE(int(s.targets[0].size), expected);
        }
        QCOMPARE(s.agent(3).rank, 0);
        QCOMPARE(s.agent(3).retina, 5.0);
        QVERIFY(messages().isEmpty());
    }

    void boxesWriteOnlyToSelectedAgents() {
        SimState s = stateWith(10);
        Designer d(s);
        d.pressAgent(2);
        d.click("cmdBiCom");  // clears the marks, keeps the panel
        d.type("txtRank", QStringLiteral("3"));
        d.type("txtRetina", QStringLiteral("8"));
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(s.agent(i).rank, 0);
            QCOMPARE(s.agent(i).retina, 5.0);
        }
    }

    void targetsStepWithinTheirRange() {
        SimState s = stateWith(10, 3);
        s.targets[0].size = 4;
        s.targets[1].size = 5;
        s.targets[2].size = 6;
        Designer d(s);
        const auto shown = [&] { return d.text("noFood") + ":" + d.text("txtSize"); };
        d.click("cmdShiftLeft");
        QCOMPARE(shown(), QStringLiteral("0:4"));
        for (int i = 0; i < 3; ++i) {
            d.click("cmdShiftRight");
        }
        QCOMPARE(shown(), QStringLiteral("2:6"));
        d.type("txtSize", QStringLiteral("9"));
        d.click("cmdShiftLeft");
        QCOMPARE(shown(), QStringLiteral("1:5"));
        QCOMPARE(s.targets[2].size, 9);
    }

    void presetsThroughTheList_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("dependent");
        QTest::addColumn<int>("segments");
        QTest::addColumn<int>("leader");  // -1: none
        QTest::addColumn<int>("wideRetina");
        QTest::newRow("Tab 10b") << "Tab 10b" << false << 90 << 0 << 5;
        QTest::newRow("Tab 7") << "Tab 7" << true << 0 << -1 << -1;
        QTest::newRow("Tab 6b") << "Tab 6b" << false << 18 << -1 << -1;
        QTest::newRow("Tab 11b") << "Tab 11b" << true << 90 << 0 << 0;
    }
    void presetsThroughTheList() {
        QFETCH(QString, item);
        QFETCH(bool, dependent);
        QFETCH(int, segments);
        QFETCH(int, leader);
        QFETCH(int, wideRetina);
        SimState s = stateWith(10);
        Designer d(s);
        d.click(dependent ? "commOption_0" : "commOption_1");
        QCOMPARE(s.commRadius, dependent ? kSpaceIndependentRadius : kSpaceDependentRadius);
        d.click("cmdNetCircle");
        QVERIFY(pickComboItem(d.child<QComboBox>("cmb_preset"), item));
        QCOMPARE(d.child<QComboBox>("cmb_preset")->currentText(), item);
        QVERIFY(d.child<QRadioButton>(dependent ? "commOption_1" : "commOption_0")->isChecked());
        QCOMPARE(s.commRadius, dependent ? kSpaceDependentRadius : kSpaceIndependentRadius);
        QCOMPARE(int(d.picture()->segments().size()), segments);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(s.agent(i).rank, i == leader ? 1 : 0);
            QCOMPARE(s.agent(i).retina, i == wideRetina ? 15.0 : 5.0);
            QCOMPARE(d.fill(i), QColor(i == leader ? kLeaderColor : kAgentColor));
        }
    }

    void starOfFiveIsDrawnFromTheHub() {
        SimState s = stateWith(5);
        Designer d(s);
        d.click("cmdNetStar");
        QList<int> spokes;  // each spoke's rim agent, once per drawing
        for (const auto& segment : d.picture()->segments()) {
            QCOMPARE(segment.colour, QColor(kBiLinkColor));
            const bool outward = segment.start == d.centre(0);
            QVERIFY(outward || segment.end == d.centre(0));
            for (int k = 1; k < 5; ++k) {
                if ((outward ? segment.end : segment.start) == d.centre(k)) {
                    spokes << k;
                }
            }
        }
        std::sort(spokes.begin(), spokes.end());
        QCOMPARE(spokes, (QList<int>{1, 1, 2, 2, 3, 3, 4, 4}));
        d.click("cmdNetClear");
        QVERIFY(d.picture()->segments().empty());
    }

    void monoLinkIsGreenThenRed() {
        SimState s = stateWith(10);
        Designer d(s);
        d.click("cmdMonoCOm");
        d.pressAgent(2);
        d.pressAgent(7);
        const auto& segments = d.picture()->segments();
        QCOMPARE(segments.size(), std::size_t{2});
        QCOMPARE(segments[0].start, d.centre(2));
        QVERIFY(QLineF(segments[0].end, (d.centre(2) + d.centre(7)) / 2.0).length() < 1e-9);
        QCOMPARE(segments[0].colour, QColor(kSendColor));
        QCOMPARE(segments[1].start, segments[0].end);
        QCOMPARE(segments[1].end, d.centre(7));
        QCOMPARE(segments[1].colour, QColor(kReceiveColor));
    }

    void reopeningShowsTheEdits() {
        SimState s = stateWith(10);
        {
            Designer d(s);
            d.pressAgent(3);
            d.click("checkLeader");
            d.click("cmdBiCom");
            d.pressAgent(1);
            d.pressAgent(8);
            d.click("cmdok");
            QVERIFY(!d.window().isVisible());
        }
        Designer again(s);
        QCOMPARE(again.fill(3), QColor(kLeaderColor));
        QCOMPARE(again.picture()->segments().size(), std::size_t{2});
        QCOMPARE(again.text("lblNoAgent"), QStringLiteral("----"));
    }

    void rebuildFollowsANewGroup() {
        SimState s = stateWith(10, 3);
        Designer d(s);
        QVERIFY(pickComboItem(d.child<QComboBox>("cmb_preset"), QStringLiteral("Tab 8")));
        d.click("cmdShiftRight");
        d.pressAgent(9);
        const QPointF whereNineWas = d.centre(9);
        d.click("cmdMonoCOm");
        d.pressAgent(8);

        Params p;
        p.agents = "5";
        setParameters(s, p, "untitle");
        d.window().rebuild();
        QCOMPARE(d.picture()->markers().size(), std::size_t{5});
        QVERIFY(d.picture()->segments().empty());
        QCOMPARE(d.text("lblNoAgent") + d.text("noFood"), QStringLiteral("----0"));
        QCOMPARE(d.child<QComboBox>("cmb_preset")->currentIndex(), -1);
        d.press(whereNineWas);
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("----"));
        d.pressAgent(4);  // selection again, not the second pick of the old command
        QCOMPARE(d.text("lblNoAgent"), QStringLiteral("4"));
        QCOMPARE(d.fill(4), QColor(kMarkColor));
    }
};

}  // namespace murelta::ui

QTEST_MAIN(murelta::ui::DesignerWindowTest)
#include "designer_window_test.moc"
