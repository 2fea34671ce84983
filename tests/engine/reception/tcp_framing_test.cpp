#include "engine/reception/tcp_framing.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace trevalon {
namespace {

std::vector<std::string> CutAll(std::string text) {
    std::vector<std::string> messages;
    while (auto framed = NextFramedMessage(text)) {
        messages.push_back(framed->message);
        text = framed->rest;
    }
    return messages;
}

using Messages = std::vector<std::string>;

TEST(NextFramedMessage, CutsAtTheNextPri) {
    EXPECT_EQ(CutAll("<13>one\n<14>two\n"), (Messages{"<13>one\n", "<14>two\n"}));
    EXPECT_EQ(CutAll("<13>x <b> y"), (Messages{"<13>x ", "<b> y"}));
    EXPECT_EQ(CutAll("hello"), (Messages{"hello"}));
    EXPECT_EQ(CutAll("\n"), (Messages{"\n"}));
    EXPECT_EQ(CutAll(""), Messages{});
}

TEST(NextFramedMessage, LeadingCharactersAndLoosePris) {
    // A PRI within the first five characters drops what stands before it.
    EXPECT_EQ(CutAll("a<1>b<2>c"), (Messages{"<1>b", "<2>c"}));
    // Without a ">" in the first five characters the whole text is one message.
    EXPECT_EQ(CutAll("abcd<13>x<14>y"), (Messages{"abcd<13>x<14>y"}));
    // Only the first "<" after the PRI is looked at: without a ">" near it, no cut.
    EXPECT_EQ(CutAll("<13>a < b <14>c"), (Messages{"<13>a < b <14>c"}));
    EXPECT_EQ(CutAll("<13>a<123456>b"), (Messages{"<13>a<123456>b"}));
}

class Collector {
  public:
    SyslogStreamFramer::Sink Sink() {
        return [this](std::string_view message) { messages.emplace_back(message); };
    }
    Messages messages;
};

TEST(SyslogStreamFramer, KeepsAnUnfinishedTailUntilItsEndIsKnown) {
    SyslogStreamFramer framer;
    Collector out;
    framer.Feed("<13>first half", out.Sink());
    EXPECT_TRUE(out.messages.empty());
    framer.Feed(" second half\n<14>next", out.Sink());
    EXPECT_EQ(out.messages, (Messages{"<13>first half second half\n"}));
    framer.Feed("<15>third", out.Sink());
    EXPECT_EQ(out.messages.back(), "<14>next");
    framer.Finish(out.Sink());
    EXPECT_EQ(out.messages, (Messages{"<13>first half second half\n", "<14>next", "<15>third"}));
    EXPECT_FALSE(framer.HasPending());
}

TEST(SyslogStreamFramer, EveryReadBoundaryGivesTheSameMessages) {
    const std::string stream =
        "<13>one\n<14>two words\n<b> y\n<191>Oct 11 22:14:15 host tag: text\n"
        "<13>last, no line feed";
    SyslogStreamFramer whole;
    Collector expected;
    whole.Feed(stream, expected.Sink());
    whole.Finish(expected.Sink());
    ASSERT_EQ(expected.messages,
              (Messages{"<13>one\n", "<14>two words\n", "<b> y\n",
                        "<191>Oct 11 22:14:15 host tag: text\n", "<13>last, no line feed"}));
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        for (std::size_t second = cut; second <= stream.size(); second += 7) {
            SyslogStreamFramer framer;
            Collector out;
            framer.Feed(stream.substr(0, cut), out.Sink());
            framer.Feed(stream.substr(cut, second - cut), out.Sink());
            framer.Feed(stream.substr(second), out.Sink());
            framer.Finish(out.Sink());
            ASSERT_EQ(out.messages, expected.messages) << "cut at " << cut << " and " << second;
        }
    }
}

TEST(SyslogStreamFramer, LineFeedAtTheEndOfAReadEndsTheMessage) {
    SyslogStreamFramer framer;
    Collector out;
    framer.Feed("<13>line one\n", out.Sink());
    framer.Feed("line two\n", out.Sink());
    EXPECT_EQ(out.messages, (Messages{"<13>line one\n", "line two\n"}));
}

TEST(SyslogStreamFramer, OctetCountingAtEveryReadBoundary) {
    const std::string stream = "18 <13>has <14> in it11 <14>second\n9 <15>third";
    const Messages expected{"<13>has <14> in it", "<14>second\n", "<15>third"};
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        SyslogStreamFramer framer;
        Collector out;
        framer.Feed(stream.substr(0, cut), out.Sink());
        framer.Feed(stream.substr(cut), out.Sink());
        framer.Finish(out.Sink());
        ASSERT_EQ(out.messages, expected) << "cut at " << cut;
    }
}

TEST(SyslogStreamFramer, OctetCountingAsRsyslogSendsIt) {
    SyslogStreamFramer framer;
    Collector out;
    framer.Feed("18 <13>has <14> in it11 <14>second\n", out.Sink());
    EXPECT_EQ(out.messages, (Messages{"<13>has <14> in it", "<14>second\n"}));
    framer.Feed("30 <13>cut", out.Sink());
    framer.Finish(out.Sink());
    EXPECT_EQ(out.messages.back(), "<13>cut");
}

TEST(SyslogStreamFramer, DigitsThatAreNoCountStayText) {
    SyslogStreamFramer framer;
    Collector out;
    framer.Feed("42 is the answer\n", out.Sink());
    framer.Feed("1234567 <13>x\n", out.Sink());
    EXPECT_EQ(out.messages, (Messages{"42 is the answer\n", "1234567 <13>x\n"}));
}

TEST(SyslogStreamFramer, EndlessMessageIsHandedOnAtTheCap) {
    SyslogStreamFramer framer;
    Collector out;
    const std::string chunk(4096, 'a');
    framer.Feed("<13>", out.Sink());
    for (std::size_t fed = 0; fed < SyslogStreamFramer::kMaxPending; fed += chunk.size()) {
        framer.Feed(chunk, out.Sink());
    }
    ASSERT_EQ(out.messages.size(), 1u);
    EXPECT_GE(out.messages[0].size(), SyslogStreamFramer::kMaxPending);
}

}  // namespace
}  // namespace trevalon
