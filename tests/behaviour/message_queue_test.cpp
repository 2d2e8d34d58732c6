// Tests for the message queue's life cycle, slot choice and delivery, and the range test.
#include "behaviour/communication.hpp"

#include <gtest/gtest.h>

#include "plain_model.hpp"
#include "support/fixtures.hpp"

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "sim/params.hpp"
#include "sim/state.hpp"
#include "world/retina.hpp"

namespace murelta {
namespace {

SimState makeState(int agents) {
    SimState s = fixtures::allocatedState(agents);
    clearMessages(s);
    return s;
}

Message message(int x, int y, int value, int sender, int receiver) {
    Message m;
    m.x = static_cast<std::int16_t>(x);
    m.y = static_cast<std::int16_t>(y);
    m.value = static_cast<std::int16_t>(value);
    m.sender = static_cast<std::int16_t>(sender);
    m.receiver = static_cast<std::int16_t>(receiver);
    m.delay = 99;  // ignored by sendMessage
    return m;
}

// One cycle as the run driver orders it: perception, delivery, (agent step), count.
void cycle(SimState& s) {
    updateRetina(s);
    deliverMessages(s);
}

TEST(MessageQueue, LivesFiveCyclesThenFreesItsSlot) {
    SimState s = makeState(2);
    EXPECT_EQ(countMessages(s), 0);
    cycle(s);                                // cycle 0
    sendMessage(s, message(7, 9, 3, 0, 1));  // sent in the agent step of cycle 0
    EXPECT_EQ(countMessages(s), 1);
    EXPECT_EQ(s.messages.at(0).delay, 5);
    for (int c = 1; c <= 4; ++c) {
        cycle(s);
        EXPECT_EQ(countMessages(s), 1) << "cycle " << c;
        EXPECT_EQ(s.agents[1].map(7, 9), 0) << "cycle " << c;
        EXPECT_EQ(s.messages.at(0).delay, 5 - c);
    }
    cycle(s);  // cycle 5: delivered after perception, before the agent step
    EXPECT_EQ(s.agents[1].map(7, 9), 3);
    EXPECT_EQ(s.agents[0].map(7, 9), 0);
    EXPECT_EQ(countMessages(s), 1);
    EXPECT_EQ(s.messages.at(0).delay, 0);
    sendMessage(s, message(1, 1, 1, 0, 1));  // slot 0 still in use in cycle 5
    EXPECT_EQ(s.messages.at(1).delay, 5);
    cycle(s);  // cycle 6: the map is wiped again and the slot is free
    EXPECT_EQ(s.agents[1].map(7, 9), 0);
    EXPECT_EQ(countMessages(s), 1);
    EXPECT_EQ(s.messages.at(0).delay, -1);
    sendMessage(s, message(2, 2, 2, 1, 0));
    EXPECT_EQ(s.messages.at(0).delay, 5);
    EXPECT_EQ(s.messages.at(0).x, 2);
}

TEST(MessageQueue, ClearedQueueDeliversNothing) {
    SimState s = makeState(1);
    sendMessage(s, message(4, 4, 5, 0, 0));
    clearMessages(s);
    for (int c = 0; c < 8; ++c) {
        cycle(s);
        EXPECT_EQ(countMessages(s), 0);
        EXPECT_EQ(s.agents[0].map(4, 4), 0);
    }
}

TEST(MessageQueue, HigherSlotWinsATieAndTheOwnCellIsOverwritten) {
    SimState s = makeState(2);
    s.agents[1].x = 3;
    s.agents[1].y = 3;
    fixtures::putTarget(s, 3, 3, 0);
    cycle(s);
    sendMessage(s, message(8, 8, 4, 0, 1));
    sendMessage(s, message(8, 8, 2, 0, 1));
    sendMessage(s, message(3, 3, 7, 0, 1));
    for (int c = 1; c <= 5; ++c) {
        cycle(s);
    }
    EXPECT_EQ(s.agents[1].map(8, 8), 2);
    EXPECT_EQ(s.agents[1].map(3, 3), 7);  // replaces the count of 1 that perception wrote
}

TEST(MessageQueue, FullQueueDropsNewMessages) {
    SimState s = makeState(2);
    for (int i = 0; i < MessageQueue::kSlots; ++i) {
        sendMessage(s, message(i % 51, 0, 1, 0, 1));
    }
    EXPECT_EQ(countMessages(s), 15001);
    sendMessage(s, message(50, 50, 9, 1, 0));
    EXPECT_EQ(countMessages(s), 15001);
    for (int c = 0; c < 5; ++c) {
        deliverMessages(s);
    }
    EXPECT_EQ(s.agents[0].map(50, 50), 0);
    EXPECT_EQ(s.messages.at(15000).x, 15000 % 51);
}

// Against the plain model's queue: 15001 slots scanned in full.
TEST(MessageQueue, MatchesAFullScanOnRandomTraffic) {
    std::mt19937 gen(2024);
    for (int trial = 0; trial < 6; ++trial) {
        SimState fast = makeState(4);
        plain::PlainState model(fast);
        plain::clearMessages(model);
        for (int c = 0; c < 40; ++c) {
            if (gen() % 13 == 0) {
                clearMessages(fast);
                plain::clearMessages(model);
            }
            updateRetina(fast);
            plain::updateRetina(model);
            deliverMessages(fast);
            plain::deliverMessages(model);
            // Bursts large enough to fill the queue now and then.
            const int burst = static_cast<int>(gen() % (c % 7 == 3 ? 5000 : 400));
            // Reports to one to four receivers, so that one report may straddle the holes
            // that deliveries leave between slots still in use.
            for (int k = 0; k < burst;) {
                const Message m =
                    message(static_cast<int>(gen() % 51), static_cast<int>(gen() % 51),
                            static_cast<int>(gen() % 5) + 1, static_cast<int>(gen() % 4), 0);
                const unsigned mask = 1U + static_cast<unsigned>(gen() % 15);
                std::vector<std::int16_t> receivers;
                for (std::int16_t r = 0; r < 4; ++r) {
                    if ((mask >> r) & 1U) {
                        receivers.push_back(r);
                        Message to = m;
                        to.receiver = r;
                        plain::sendMessage(model, to);
                    }
                }
                fast.messages.pushToEach(m, receivers);
                k += static_cast<int>(receivers.size());
            }
            ASSERT_EQ(countMessages(fast), plain::countMessages(model));
            for (int a = 0; a < 4; ++a) {
                const auto& cells = fast.agent(a).map.grid().cells();
                ASSERT_TRUE(std::equal(cells.begin(), cells.end(), model.maps[a].begin(),
                                       model.maps[a].end()));
            }
            for (int i = 0; i < MessageQueue::kSlots; ++i) {
                const Message f = fast.messages.at(i);
                const Message& p = model.messages[static_cast<std::size_t>(i)];
                ASSERT_EQ(f.delay, p.delay) << "slot " << i << " cycle " << c;
                if (p.delay >= 0) {
                    ASSERT_EQ(std::tie(f.x, f.y, f.value, f.sender, f.receiver),
                              std::tie(p.x, p.y, p.value, p.sender, p.receiver))
                        << "slot " << i << " cycle " << c;
                }
            }
        }
    }
}

// Sending one report to many receivers must fill exactly the slots that one send per receiver
// would, across holes left by delivered messages, and drop the rest once the queue is full; a
// report spread over several holes must show each slot's own receiver.
TEST(MessageQueue, SendingToEachMatchesOneSendPerReceiver) {
    std::mt19937 gen(7);
    SimState each = makeState(60);
    plain::PlainState model(each);
    plain::clearMessages(model);
    for (int c = 0; c < 12; ++c) {
        updateRetina(each);
        plain::updateRetina(model);
        deliverMessages(each);
        plain::deliverMessages(model);
        for (int sender = 0; sender < 60; ++sender) {
            std::vector<std::int16_t> receivers;
            for (int k = 0; k < 60; ++k) {
                if (gen() % 8 != 0) {
                    receivers.push_back(static_cast<std::int16_t>(k));
                }
            }
            const Message m = message(sender % 51, c, 1 + c % 4, sender, 0);
            each.messages.pushToEach(m, receivers);
            for (std::int16_t k : receivers) {
                Message to = m;
                to.receiver = k;
                plain::sendMessage(model, to);
            }
        }
        ASSERT_EQ(countMessages(each), plain::countMessages(model)) << "cycle " << c;
        for (int i = 0; i < MessageQueue::kSlots; ++i) {
            const Message a = each.messages.at(i);
            Message b = model.messages[static_cast<std::size_t>(i)];
            if (b.delay == -1) {
                b = Message{0, 0, 0, 0, 0, -1};  // a free slot holds nothing
            }
            ASSERT_EQ(std::tie(a.x, a.y, a.value, a.sender, a.receiver, a.delay),
                      std::tie(b.x, b.y, b.value, b.sender, b.receiver, b.delay))
                << "slot " << i << " cycle " << c;
        }
    }
    EXPECT_EQ(countMessages(each), MessageQueue::kSlots);  // about 3,150 a cycle fill it up
}

TEST(CommRange, IsStrictBelowTheRadiusAndUnlimitedFromTheDiagonal) {
    SimState s = makeState(3);
    s.commRadius = 20.0;
    s.agents[0].x = 0;
    s.agents[0].y = 0;
    s.agents[1].x = 12;
    s.agents[1].y = 16;  // distance exactly 20
    s.agents[2].x = 0;
    s.agents[2].y = 19;
    EXPECT_FALSE(inCommRange(s, 0, 1));
    EXPECT_FALSE(inCommRange(s, 1, 0));
    EXPECT_TRUE(inCommRange(s, 0, 2));
    EXPECT_TRUE(inCommRange(s, 1, 1));
    s.commRadius = 0.0;
    EXPECT_FALSE(inCommRange(s, 1, 1));
    s.commRadius = s.arenaDiagonal;
    s.agents[1].x = 50;
    s.agents[1].y = 50;
    EXPECT_TRUE(inCommRange(s, 0, 1));
    s.commRadius = 70.7;
    EXPECT_FALSE(inCommRange(s, 0, 1));
}

// The squared-distance test against the square root it replaces: every pair of cells of arenas up
// to 201 x 201, and for radii up to the largest diagonal an int16 arena has, the pairs on both
// sides of the circle in every column, where the two could part.
TEST(CommRange, SquaredDistancesAgreeWithTheRootForEveryPair) {
    std::mt19937 gen(99);
    std::vector<double> radii = {0.0,  -3.0,  0.5,   1.0,      7.0710678118654755,
                                 10.0, 100.0, 283.0, 46340.95, 46341.0};
    for (int k = 0; k < 40; ++k) {
        const double whole = static_cast<double>(gen() % 300);
        const double root = std::sqrt(static_cast<double>(gen() % 90000));
        radii.insert(radii.end(), {whole, std::nextafter(whole, 0.0), std::nextafter(whole, 1e9),
                                   root, std::nextafter(root, 0.0), std::nextafter(root, 1e9),
                                   whole + static_cast<double>(gen() % 1000) / 1000.0});
    }
    SimState s = makeState(2);
    s.arenaDiagonal = 1e9;  // nothing reaches everywhere
    Agent& from = s.agents[0];
    Agent& to = s.agents[1];
    from.x = 0;
    from.y = 0;
    const auto agrees = [&](int dx, int dy, double radius) {
        to.x = static_cast<std::int16_t>(dx);
        to.y = static_cast<std::int16_t>(dy);
        const bool expected =
            std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy) < radius;
        return inCommRange(commRange(s), from, to) == expected;
    };
    for (const double radius : radii) {
        s.commRadius = radius;
        for (int dx = 0; dx <= 200; ++dx) {
            for (int dy = 0; dy <= 200; ++dy) {
                ASSERT_TRUE(agrees(dx, dy, radius)) << radius << " " << dx << " " << dy;
            }
        }
        for (int dx = 0; radius > 200 && dx < 32767 && dx <= radius; ++dx) {
            const double edge = std::sqrt(std::max(0.0, radius * radius - 1.0 * dx * dx));
            for (int dy = static_cast<int>(edge) - 1; dy <= static_cast<int>(edge) + 1; ++dy) {
                if (dy >= 0 && dy <= 32767) {
                    ASSERT_TRUE(agrees(dx, dy, radius)) << radius << " " << dx << " " << dy;
                }
            }
        }
    }
}

}  // namespace
}  // namespace murelta
