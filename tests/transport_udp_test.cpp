// The transport's rules, over real UDP on loopback against a peer that answers exactly as
// each case needs.
#include <gtest/gtest.h>

#include <atomic>

#include "link/link.h"
#include "link/link_private.h"
#include "tests/support.h"

using test::IsHello;
using test::Message;
using test::ReplyTo;

namespace {

const Message kHelloAnswer = {0x00, 0x01, 0x01};
const Message kHold = {0x08, 0x01, 0x00};
constexpr uint32_t kShortLimitMs = 10;  // the caller's time limit: waits of 110, 120, ...

std::string Spec() {
    return "NETWORK " + test::LoopbackAddress();
}

int32_t Transact(const Message& body, Message* reply = nullptr, int32_t capacity = 1500) {
    uint8_t buffer[1500];
    const int32_t r = LinkTransact(static_cast<int32_t>(body.size()), body.data(), capacity, buffer,
                                   kShortLimitMs);
    if (reply && r >= 0) reply->assign(buffer, buffer + r);
    return r;
}

// A script from a function of (request, how many requests so far, 1-based).
test::ScriptedUdpPeer::Script Answering(
    std::function<std::vector<Message>(const Message&, int)> f) {
    auto count = std::make_shared<std::atomic<int>>(0);
    return [f, count](const Message& m) -> std::vector<Message> {
        if (IsHello(m)) return {kHelloAnswer};
        return f(m, ++*count);
    };
}

}  // namespace

class Transport : public ::testing::Test {
protected:
    void TearDown() override { LinkClose(); }
};

TEST_F(Transport, SequenceBitsCycleAndRepliesComeBack) {
    test::ScriptedUdpPeer peer(test::LoopbackAddress(), Answering([](const Message& m, int) {
                                   return std::vector<Message>{ReplyTo(m, {'k', m[2]})};
                               }));
    ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
    for (uint8_t i = 0; i < 5; ++i) {
        Message reply;
        ASSERT_EQ(Transact({i}, &reply), 2);
        EXPECT_EQ(reply, (Message{'k', i}));
    }
    const auto got = peer.Received();
    ASSERT_EQ(got.size(), 5u);
    const uint8_t expected[] = {0x10, 0x50, 0x90, 0xD0, 0x10};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(got[i], (Message{expected[i], 0x01, uint8_t(i)}));
}

TEST_F(Transport, AResendCarriesTheSameHeader) {
    test::ScriptedUdpPeer peer(test::LoopbackAddress(), Answering([](const Message& m, int n) {
                                   return n < 3 ? std::vector<Message>{}
                                                : std::vector<Message>{ReplyTo(m, {'x'})};
                               }));
    ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
    EXPECT_EQ(Transact({0x42}), 1);
    const auto got = peer.Received();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], got[1]);
    EXPECT_EQ(got[1], got[2]);
}

TEST_F(Transport, StaleRepliesAndRuntsCostNoAttempt) {
    // Six stale replies and two runts before the real one: were any of them an attempt,
    // the call would give up before the real reply.
    test::ScriptedUdpPeer peer(test::LoopbackAddress(), Answering([](const Message& m, int) {
                                   std::vector<Message> out;
                                   for (int i = 0; i < 6; ++i) {
                                       Message stale = ReplyTo(m, {'s'});
                                       stale[0] ^= 0x80;
                                       out.push_back(stale);
                                   }
                                   out.push_back({0x01});
                                   out.push_back({0x01, 0x02});
                                   out.push_back(ReplyTo(m, {'o', 'k'}));
                                   return out;
                               }));
    ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
    Message reply;
    EXPECT_EQ(Transact({0x01}, &reply), 2);
    EXPECT_EQ(reply, (Message{'o', 'k'}));
    EXPECT_EQ(peer.Requests(), 1);
}

TEST_F(Transport, ALengthMismatchResends) {
    test::ScriptedUdpPeer peer(test::LoopbackAddress(), Answering([](const Message& m, int n) {
                                   Message reply = ReplyTo(m, {'a', 'b'});
                                   if (n == 1) reply[1] = 5;
                                   return std::vector<Message>{reply};
                               }));
    ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
    EXPECT_EQ(Transact({0x01}), 2);
    EXPECT_EQ(peer.Requests(), 2);
}

TEST_F(Transport, LinkHoldOnceWaitsTwiceResends) {
    {
        test::ScriptedUdpPeer peer(test::LoopbackAddress(), Answering([](const Message& m, int) {
                                       return std::vector<Message>{kHold, ReplyTo(m, {'1'})};
                                   }));
        ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
        EXPECT_EQ(Transact({0x01}), 1);
        EXPECT_EQ(peer.Requests(), 1);
    }
    {
        test::ScriptedUdpPeer peer(test::LoopbackAddress(), Answering([](const Message& m, int n) {
                                       return n == 1 ? std::vector<Message>{kHold, kHold}
                                                     : std::vector<Message>{ReplyTo(m, {'2'})};
                                   }));
        ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
        EXPECT_EQ(Transact({0x01}), 1);
        EXPECT_EQ(peer.Requests(), 2);
    }
}

TEST_F(Transport, AHoldAfterTheFifthSendGivesUp) {
    test::ScriptedUdpPeer peer(test::LoopbackAddress(), Answering([](const Message&, int) {
                                   return std::vector<Message>{kHold};
                               }));
    ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
    EXPECT_EQ(Transact({0x01}), kNoAnswer);
    EXPECT_EQ(peer.Requests(), 5);
}

TEST_F(Transport, SilenceMakesTheLinkFailUntilTheNextOpen) {
    std::atomic<bool> silent{true};
    test::ScriptedUdpPeer peer(test::LoopbackAddress(), Answering([&](const Message& m, int) {
                                   return silent ? std::vector<Message>{}
                                                 : std::vector<Message>{ReplyTo(m, {'y'})};
                               }));
    ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
    EXPECT_EQ(Transact({0x01}), kNoAnswer);
    EXPECT_EQ(peer.Requests(), 5);
    silent = false;
    EXPECT_EQ(Transact({0x01}), kNoAnswer);  // at once, nothing sent
    EXPECT_EQ(peer.Requests(), 5);
    ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
    EXPECT_EQ(Transact({0x01}), 1);
    EXPECT_EQ(peer.Received().back()[0], 0x10);  // the counter started again at 0
}

TEST_F(Transport, LongestRequestAndOneTooLong) {
    test::ScriptedUdpPeer peer(test::LoopbackAddress(), Answering([](const Message& m, int) {
                                   return std::vector<Message>{ReplyTo(m, {'z'})};
                               }));
    ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
    EXPECT_EQ(Transact(Message(1499, 0xAB)), kBadChannel);
    EXPECT_EQ(peer.Requests(), 0);
    EXPECT_EQ(Transact(Message(1498, 0xAB)), 1);
    const auto got = peer.Received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].size(), 1500u);
    EXPECT_EQ(got[0][0], 0x15);  // sequence 0: the refused request used no number
    EXPECT_EQ(got[0][1], 0xDA);
}

TEST_F(Transport, AReplyLongerThanTheCapacityLeavesTheLinkOpen) {
    test::ScriptedUdpPeer peer(test::LoopbackAddress(), Answering([](const Message& m, int) {
                                   return std::vector<Message>{ReplyTo(m, Message(10, 'L'))};
                               }));
    ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
    EXPECT_EQ(Transact({0x01}, nullptr, 9), kReplyTooLong);
    EXPECT_EQ(Transact({0x01}, nullptr, 10), 10);
}

TEST_F(Transport, OddDatagramsAtTheNetworkLink) {
    test::ScriptedUdpPeer peer(test::LoopbackAddress(),
                               [](const Message& m) -> std::vector<Message> {
                                   if (IsHello(m)) return {kHelloAnswer};
                                   if (m[0] == 1) return {Message(1501, 0x00)};
                                   if (m[0] == 2) return {Message{}};
                                   return {Message(1500, 0x11)};
                               });
    ASSERT_EQ(LinkOpen(Spec().c_str()), kOk);
    uint8_t buffer[1500];
    const uint8_t one = 1, two = 2, three = 3;
    ASSERT_EQ(NetSend(&one, 1), kOk);
    EXPECT_EQ(NetReceive(1000, 1500, buffer), kNetFailure);  // refused, not cut
    ASSERT_EQ(NetSend(&two, 1), kOk);
    EXPECT_EQ(NetReceive(1000, 1500, buffer), 0);
    ASSERT_EQ(NetSend(&three, 1), kOk);
    EXPECT_EQ(NetReceive(1000, 1500, buffer), 1500);
    EXPECT_EQ(NetReceive(20, 1500, buffer), kNetTimeout);
}

TEST_F(Transport, HelloNeedsExactlyThreeBytes) {
    auto hellos = std::make_shared<std::atomic<int>>(0);
    {
        // Five wrong answers, then the right one: the sixth try passes.
        test::ScriptedUdpPeer peer(test::LoopbackAddress(), [hellos](const Message&) {
            return ++*hellos < 6 ? std::vector<Message>{Message(4, 0)}
                                 : std::vector<Message>{kHelloAnswer};
        });
        EXPECT_EQ(LinkOpen(Spec().c_str()), kOk);
    }
    {
        test::ScriptedUdpPeer peer(test::LoopbackAddress(), [](const Message&) {
            return std::vector<Message>{Message(2, 0), Message(4, 0)};
        });
        EXPECT_EQ(LinkOpen(Spec().c_str()), kNoAnswer);
        EXPECT_EQ(TheLink().socket, -1);
    }
}

TEST_F(Transport, NoListenerMeansNoAnswer) {
    EXPECT_EQ(LinkOpen(Spec().c_str()), kNoAnswer);
}
