// The wrong passwords of a lock as the front keeps them: on the wire, in the
// environment of a relaunched program, and across the lock's life.

#include "front/LockWrongPasswords.h"

#include <gtest/gtest.h>

using protocol::Kind;
using protocol::Message;
using protocol::WrongPasswordTally;
using supervision::LockState;
using supervision::LockWrongPasswords;
using supervision::Phase;

namespace {

Message Wrong(std::int64_t seconds)
{
    Message message{Kind::WrongPassword};
    message.seconds = seconds;
    return message;
}

TEST(LockWrongPasswords, EachTravelsWithItsTimeAndHostileOnesMeanNothing)
{
    for (std::int64_t seconds : {std::int64_t(0), std::int64_t(1796886739), std::int64_t(9223372036854775807)})
        EXPECT_EQ(protocol::Parse(protocol::Encode(Wrong(seconds))), Wrong(seconds));
    for (const char *packet : {"wrong", "wrong ", "wrong -1", "wrong 12x", "wrong 1 2", "wrong 99999999999999999999"})
        EXPECT_FALSE(protocol::Parse(packet).has_value()) << packet;
}

TEST(LockWrongPasswords, TheTallyReadsBackAndOddTextIsNone)
{
    const WrongPasswordTally tally{3, 100, 250};
    EXPECT_EQ(protocol::ParseTally(protocol::EncodeTally(tally)), tally);
    for (const char *text : {"", "3", "3 100", "0 1 1", "-1 1 1", "3 -1 5", "3 1 2 4", "3  1 2", "3 1 2 ", "x 1 2",
                             "2147483648 1 2"})
        EXPECT_FALSE(protocol::ParseTally(text).has_value()) << '"' << text << '"';
}

TEST(LockWrongPasswords, TheyBelongToTheLockAcrossRelaunchesAndEndWithIt)
{
    const LockState none{Phase::None};
    const LockState up{Phase::Held};
    LockWrongPasswords wrong;
    EXPECT_FALSE(wrong.OnReport(none, Message{Kind::StartingNormal}));
    EXPECT_FALSE(wrong.OnReport(up, Wrong(100)));
    EXPECT_FALSE(wrong.OnReport(up, Wrong(130)));
    // A relaunched lock reports while its lock is still up: the tally stays.
    EXPECT_FALSE(wrong.OnReport(LockState{Phase::Starting}, Message{Kind::StartingNormal}));
    EXPECT_EQ(wrong.Tally(), (WrongPasswordTally{2, 100, 130}));
    EXPECT_FALSE(wrong.OnReport(up, Wrong(170)));
    EXPECT_EQ(wrong.OnReport(up, Message{Kind::Ended}), (WrongPasswordTally{3, 100, 170}));

    // The next lock starts with none, and ends without a notice.
    EXPECT_EQ(wrong.Tally(), WrongPasswordTally{});
    EXPECT_FALSE(wrong.OnReport(none, Message{Kind::StartingNtStyle}));
    EXPECT_FALSE(wrong.OnReport(up, Message{Kind::Ended}));
    // Wrong passwords where no lock is up are no lock's.
    EXPECT_FALSE(wrong.OnReport(none, Wrong(200)));
    EXPECT_EQ(wrong.Tally(), WrongPasswordTally{});
}

TEST(LockWrongPasswords, ALockTakenOverFromADeadFrontKeepsItsOwn)
{
    LockWrongPasswords wrong(WrongPasswordTally{2, 100, 130});
    EXPECT_FALSE(wrong.OnReport(LockState{Phase::Starting}, Message{Kind::StartingNormal}));
    EXPECT_EQ(wrong.OnReport(LockState{Phase::Held}, Message{Kind::Ended}), (WrongPasswordTally{2, 100, 130}));
}

} // namespace
