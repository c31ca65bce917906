// The key-name table: the entries games show and compare, odd ones included.
#include <gtest/gtest.h>

#include "input/DXInput.h"
#include "tests/input/RealInput.h"

namespace vexo::test {
namespace {

using KeyNames = RealInputTest;

TEST_F(KeyNames, NamesAndEmptyEntries) {
    DXInput in;
    auto name = [&](int c) { return in.DirectKeyCodeShow(uint8_t(c)); };
    EXPECT_EQ(name(1), " ESCAPE");
    EXPECT_EQ(name(54), " RightSHIF");
    EXPECT_EQ(name(42), " LeftSHIFT");
    EXPECT_EQ(name(116), " PAUSE");
    EXPECT_EQ(name(197), " PAUSE");
    EXPECT_EQ(name(52), " .");
    EXPECT_EQ(name(83), " .");
    EXPECT_EQ(name(53), " /");
    EXPECT_EQ(name(181), " /");
    EXPECT_EQ(name(84), " F14");
    EXPECT_EQ(name(85), " F15");
    EXPECT_EQ(name(86), " F13");
    EXPECT_EQ(name(87), " F11");
    EXPECT_EQ(name(88), " F12");
    EXPECT_EQ(name(12), " =");
    EXPECT_EQ(name(13), " EQUALS ");
    EXPECT_EQ(name(26), "  [");
    EXPECT_EQ(name(27), "  ]");
    EXPECT_EQ(name(28), " RETURN  ENTER");
    EXPECT_EQ(name(41), " GRAVE  Grave accent (`)");
    EXPECT_EQ(name(69), " v NUMLOCK");
    EXPECT_EQ(name(74), " - ");
    EXPECT_EQ(name(91), " NUMPAD COMMA From NEC-PC98");
    EXPECT_EQ(name(125), " \\");
    EXPECT_EQ(name(221), " APPS  Application key");
    EXPECT_EQ(name(200), " UP");
    EXPECT_EQ(name(208), " DOWN");
    // The Japanese names, as UTF-8 bytes.
    EXPECT_EQ(
        name(112),
        " \xE3\x81\xB2\xE3\x82\x89\xE3\x81\x8C\xE3\x81\xAA/\xE3\x82\xAB\xE3\x82\xBF\xE3\x82\xAB\xE3\x83\x8A");
    EXPECT_EQ(name(121), " \xE5\x89\x8D\xE5\x80\x99\xE8\xA3\x9C");
    EXPECT_EQ(name(123), " \xE7\x84\xA1\xE5\xA4\x89\xE6\x8F\x9B");

    int named = 0;
    for (int c = 0; c < 256; ++c) {
        const std::string n = name(c);
        if (n.empty()) continue;
        ++named;
        EXPECT_EQ(n[0], ' ') << c;
    }
    EXPECT_EQ(named, 116);
    for (int c : {0, 89, 90, 92, 100, 111, 113, 255}) EXPECT_EQ(name(c), "") << c;
}

}  // namespace
}  // namespace vexo::test
