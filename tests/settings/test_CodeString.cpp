#include "settings/CodeString.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/fakes/FakeDialogs.h"

namespace tavik {
namespace {

std::string bytes(std::initializer_list<unsigned> codes) {
    std::string out;
    for (const unsigned code : codes) out += static_cast<char>(code);
    return out;
}

class CodeStringTest : public ::testing::Test {
protected:
    std::string code(std::string text) { return CodeString(text, dialogs); }
    FakeDialogs dialogs;
};

TEST_F(CodeStringTest, ScramblesTenLettersWithoutPadding) {
    const std::string expected =
        bytes({0x5F, 0xE9, 0xD9, 0xC9, 0xB9, 0xA9, 0x99, 0x89, 0x79, 0x69, 0x59}) + "a(COD)";
    std::string text = "abcdefghij";
    EXPECT_EQ(CodeString(text, dialogs), expected);
    EXPECT_EQ(text, "abcdefghij");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(CodeStringTest, ShortTextIsPaddedInPlaceFromThePadText) {
    std::string text = "abc";
    const std::string out = CodeString(text, dialogs);
    EXPECT_EQ(text, "abcpondarv");
    // Same body as the padded text itself; only the length header differs.
    EXPECT_EQ(out.substr(1), code("abcpondarv").substr(1));
    EXPECT_EQ(static_cast<unsigned char>(out[0]), 0xCFu);  // nibble swap of 255 - 3 = 0xFC
    EXPECT_EQ(out.size(), 17u);
}

TEST_F(CodeStringTest, EmptyTextUsesTheFirstTenPadLetters) {
    const std::string out = code("");
    ASSERT_EQ(out.size(), 17u);
    EXPECT_EQ(static_cast<unsigned char>(out[0]), 0xFFu);
    EXPECT_EQ(out.substr(1), code("pondarvelt").substr(1));
}

TEST_F(CodeStringTest, OutputLengthFollowsInputLength) {
    struct Row {
        std::size_t inputLength;
        std::size_t outputLength;
        bool endsWithA;
    };
    const std::vector<Row> rows = {
        {1, 17, true},    // padded to 10: header + 10 + "a" + marker
        {9, 17, true},
        {10, 17, true},
        {11, 17, false},  // header + 11 is even: no "a"
        {12, 19, true},
        {255, 261, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.inputLength);
        // 'z' scrambles to 0x58, so a trailing "a" can only be the filler.
        const std::string out = code(std::string(row.inputLength, 'z'));
        ASSERT_EQ(out.size(), row.outputLength);
        EXPECT_EQ(out.substr(out.size() - 5), "(COD)");
        EXPECT_EQ(out[out.size() - 6] == 'a', row.endsWithA);
    }
}

TEST_F(CodeStringTest, NeverEmitsACommaAndOnlyEqualsSignAndZeroCollide) {
    EXPECT_EQ(code("==========")[1], '\xFF');
    EXPECT_EQ(code(std::string(10, '\0'))[1], '\xFF');

    std::set<unsigned char> seen;
    for (unsigned c = 0; c < 255; ++c) {
        const std::string out = code(std::string(10, static_cast<char>(c)));
        const auto scrambled = static_cast<unsigned char>(out[1]);
        EXPECT_NE(scrambled, 44) << "input code " << c;
        seen.insert(scrambled);
    }
    // 255 inputs, one collision (0 and '=' both give 255).
    EXPECT_EQ(seen.size(), 254u);
}

TEST_F(CodeStringTest, RefusesCode255WithAMessage) {
    std::string text = "ab\xFF";
    EXPECT_EQ(CodeString(text, dialogs), "");
    EXPECT_EQ(text, "ab\xFF");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Code ALT-255 nicht erlaubt");
    EXPECT_EQ(dialogs.boxes[0].title, "Tavik6");
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::None);
}

TEST_F(CodeStringTest, TextLongerThan255BytesGivesEmptyWithoutMessage) {
    std::string text(256, 'x');
    EXPECT_EQ(CodeString(text, dialogs), "");
    EXPECT_EQ(text, std::string(256, 'x'));
    EXPECT_TRUE(dialogs.boxes.empty());
}

}  // namespace
}  // namespace tavik
