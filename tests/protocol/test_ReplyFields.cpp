#include <gtest/gtest.h>

#include "protocol/ReplyFields.h"

namespace tavik {
namespace {

TEST(ReplyFields, CutsAtSemicolonsIntoElevenSlots) {
    const ReplyFields r = splitReply("220;x;msg;50+1.2.3.4+srv;3;Firma;;6.10;f.zip;9;10;11;12");
    EXPECT_EQ(r.field[0], "220");
    EXPECT_EQ(r.field[3], "50+1.2.3.4+srv");
    EXPECT_EQ(r.field[6], "");
    EXPECT_EQ(r.field[10], "10");  // the rest behind the eleventh ";" is dropped
    EXPECT_DOUBLE_EQ(r.code(), 220);
}

TEST(ReplyFields, MissingFieldsAreEmpty) {
    const ReplyFields r = splitReply(" 99;a");
    EXPECT_DOUBLE_EQ(r.code(), 99);
    for (std::size_t i = 2; i < kReplyFieldCount; ++i) EXPECT_EQ(r.field[i], "") << i;
    EXPECT_DOUBLE_EQ(splitReply("").code(), 0);
    EXPECT_DOUBLE_EQ(splitReply("OK;220").code(), 0);
}

TEST(ReplyFields, OnlyTheLineEndAfterTheBodyIsCutOff) {
    const struct {
        const char* body;
        std::size_t field;
        const char* expected;
    } rows[] = {
        {"220;;;50+1.2.3.4+srv\r\n", 3, "50+1.2.3.4+srv"},
        {"220;;;;;;;6.10\n", 7, "6.10"},
        {"90;;Text\r\n\r\n", 2, "Text"},
        {"90;;Text\n\r", 2, "Text"},
        {"90;;Zeile 1\r\nZeile 2;x\n", 2, "Zeile 1\r\nZeile 2"},
        {"90;;Text \t\r\n", 2, "Text \t"},
        {" 99;a\r\n", 1, "a"},
        {"\r\n", 0, ""},
    };
    for (const auto& row : rows) EXPECT_EQ(splitReply(row.body).field[row.field], row.expected) << row.body;
}

TEST(ReplyFields, StatusSplitsAtTheFirstTwoPlusSigns) {
    struct Row {
        const char* field;
        const char* status;
        const char* address;
        const char* name;
        bool complete;
    };
    const Row rows[] = {
        {"50+10.0.0.7+firma-server", "50", "10.0.0.7", "firma-server", true},
        {"50+10.0.0.7+a+b", "50", "10.0.0.7", "a+b", true},
        {"20++", "20", "", "", true},
        {"50+10.0.0.7", "50", "10.0.0.7", "", false},
        {"50", "50", "", "", false},
        {"", "", "", "", false},
    };
    for (const Row& row : rows) {
        const ServerStatus s = splitStatus(row.field);
        EXPECT_EQ(s.status, row.status) << row.field;
        EXPECT_EQ(s.address, row.address) << row.field;
        EXPECT_EQ(s.name, row.name) << row.field;
        EXPECT_EQ(s.complete, row.complete) << row.field;
    }
    EXPECT_DOUBLE_EQ(splitStatus("50+1.2.3.4+x").number(), 50);
}

}  // namespace
}  // namespace tavik
