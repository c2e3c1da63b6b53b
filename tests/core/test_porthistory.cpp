#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/PortHistory.h"

using namespace pxr;

TEST(PortHistory, LinesEndWithTheirLfAndPartialLinesWait)
{
    PortHistory h;
    h.addBlock("SA 2");
    EXPECT_TRUE(h.lines().empty());
    h.addBlock("5\r\nDT");
    ASSERT_EQ(h.lines().size(), 1u);
    EXPECT_EQ(h.lines()[0], "SA 25\r\n");
    EXPECT_EQ(h.pending(), "DT");
    h.addBlock("\r\n\n");
    ASSERT_EQ(h.lines().size(), 3u);
    EXPECT_EQ(h.lines()[1], "DT\r\n");
    EXPECT_EQ(h.lines()[2], "\n");
}

// PXR500C: a block of a field or more is a line as it came; a meter that
// arrives a byte at a time still gives one line a field or a reply.
TEST(PortHistory, NoCrLfGathersBlocksIntoFieldsOrReplies)
{
    struct Case {
        std::vector<std::string> blocks;
        std::vector<std::string> lines;
        std::string pending;
    } cases[] = {
        {{" 0001234 00", "01235"}, {" 0001234 00"}, "01235"},
        {{" 0001234 00", "01235", "    5.00"}, {" 0001234 00", "01235    5.00"}, ""},
        {{"    5.00    5.01    5"}, {"    5.00    5.01    5"}, ""},
        {{"  dt\r", "\n"}, {"  dt\r\n"}, ""},
    };
    for (const auto& c : cases) {
        PortHistory h;
        h.NoCRLF = true;
        for (const auto& b : c.blocks)
            h.addBlock(b);
        EXPECT_EQ(std::vector<std::string>(h.lines().begin(), h.lines().end()), c.lines);
        EXPECT_EQ(h.pending(), c.pending);
    }
    PortHistory bytewise;
    bytewise.NoCRLF = true;
    for (char c : std::string("    5.00    5.01      10\r\n"))
        bytewise.addBlock(std::string(1, c));
    EXPECT_EQ(std::vector<std::string>(bytewise.lines().begin(), bytewise.lines().end()),
              (std::vector<std::string>{"    5.00", "    5.01", "      10\r\n"}));
}

TEST(PortHistory, KeepsTheLast256Lines)
{
    PortHistory h;
    for (int i = 0; i < 300; ++i)
        h.addBlock(std::to_string(i) + "\n");
    ASSERT_EQ(h.lines().size(), 256u);
    EXPECT_EQ(h.lines().front(), "44\n");
    EXPECT_EQ(h.lines().back(), "299\n");
}

TEST(PortHistory, EndlessNoiseStaysBounded)
{
    PortHistory h;
    for (int i = 0; i < 1000; ++i)
        h.addBlock(std::string(100, 'x'));
    EXPECT_LE(h.pending().size(), 4096u + 100u);
    EXPECT_FALSE(h.lines().empty());
}

TEST(PortHistory, RenderStyles)
{
    struct Case {
        HistoryStyle style;
        std::string out;
    } cases[] = {
        {HistoryStyle::Ascii, "SA 25\x7f"},
        {HistoryStyle::Hex, "53 41 20 32 35 7F FF 0D 0A "},
        {HistoryStyle::HexEnclosed, "[53][41][20][32][35][7F][FF][0D][0A]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PortHistory::renderLine("SA 25\x7f\xff\r\n", c.style), c.out);
    EXPECT_EQ(PortHistory::renderLine(std::string("\0\x1b", 2), HistoryStyle::Hex), "00 1B ");
}

TEST(PortHistory, StyleChangeRerendersOldLinesAndMovesCounter)
{
    PortHistory h;
    h.addBlock("A\r\n");
    const auto before = h.changeCount();
    h.setStyle(HistoryStyle::Hex);
    EXPECT_GT(h.changeCount(), before);
    EXPECT_EQ(h.render(), "41 0D 0A ");
    h.addBlock("B\n");
    h.setStyle(HistoryStyle::Ascii);
    EXPECT_EQ(h.render(), "A\nB");
}

TEST(PortHistory, AttachingToAnotherPortClears)
{
    struct Backend : ComPortBackend {
        void setListener(Listener*) override {}
        void open(const std::string&, const LineSettings&) override {}
        void close() override {}
        bool isOpen() const override { return false; }
        void apply(const LineSettings&) override {}
        void write(const std::string&) override {}
        void purgeInput() override {}
        size_t bytesToWrite() const override { return 0; }
    } b1, b2;
    TComPort p1(b1), p2(b2);
    PortHistory h;
    h.setComPort(&p1);
    h.addBlock("x\n");
    h.setComPort(&p1);
    EXPECT_EQ(h.lines().size(), 1u);
    h.setComPort(&p2);
    EXPECT_TRUE(h.lines().empty());
    EXPECT_EQ(p1.consumers().size(), 0u);
    EXPECT_EQ(p2.consumers().size(), 1u);
}

TEST(LineCounter, CountsLfOrBlankAndWraps)
{
    LineCounter c;
    EXPECT_TRUE(c.count("SA 25\r\n", false));
    EXPECT_EQ(c.text(), "0001");
    EXPECT_FALSE(c.count("abc", false));
    c.reset();
    c.count(" 1234567 7654321", true);
    EXPECT_EQ(c.value(), 2);
    c.reset();
    c.count("    5.00  ", true);
    c.count("  5.01", true);
    EXPECT_EQ(c.value(), 2);
    c.reset();
    c.count(std::string(9999, '\n'), false);
    EXPECT_EQ(c.text(), "9999");
    c.count("\n", false);
    EXPECT_EQ(c.text(), "0000");
    c.count("\n", false);
    EXPECT_EQ(c.text(), "0001");
}
