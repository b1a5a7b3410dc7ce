#include "platform/headless/ConsoleDialogs.h"
#include "platform/headless/ConsoleText.h"

#include <gtest/gtest.h>

#include <deque>

namespace tavik {
namespace {

class Console : public ::testing::Test {
protected:
    void TearDown() override {
        if (out) std::fclose(out);
    }
    ConsoleDialogs make(bool interactive) {
        out = std::tmpfile();
        return ConsoleDialogs(out, interactive, [this](std::string& line) {
            if (input.empty()) return false;
            line = input.front();
            input.pop_front();
            return true;
        });
    }
    std::string printed() {
        std::rewind(out);
        std::string text;
        for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
        return text;
    }
    std::FILE* out = nullptr;
    std::deque<std::string> input;
};

TEST_F(Console, MessagesGoOutWithLineFeedsForCarriageReturns) {
    auto dialogs = make(false);
    dialogs.messageBox("Zeile 1\rZeile 2\r\nZeile 3\r", "Tavik6", MessageIcon::Information);
    dialogs.showInfo("Fehler beim Laden.");
    EXPECT_EQ(printed(), "[Tavik6] Zeile 1\nZeile 2\nZeile 3\n[Info] Fehler beim Laden.\n");
}

// The journal makes an entry of every line: each needs its priority, or the
// second line of a warning would be filed as information.
TEST_F(Console, ForTheJournalEveryLineCarriesItsPriority) {
    auto dialogs = make(false);
    dialogs.prefixForJournal(true);
    dialogs.messageBox("Zeile 1\rZeile 2", "Tavik6", MessageIcon::Exclamation);
    dialogs.showInfo("Fehler beim Laden.");
    dialogs.messageBox("Fertig.", "Tavik6", MessageIcon::Information);
    EXPECT_EQ(printed(), "<4>[Tavik6] Zeile 1\n<4>Zeile 2\n<4>[Info] Fehler beim Laden.\n<6>[Tavik6] Fertig.\n");
}

TEST_F(Console, ControlCharactersFromTheServerAreShownEscaped) {
    const struct {
        std::string text;
        std::string shown;
    } rows[] = {
        {"Rot\x1b[31m!\x1b]0;Titel\x07", "Rot\\x1b[31m!\\x1b]0;Titel\\x07"},
        {std::string("a\bb\x7f\0c", 6), "a\\x08b\\x7f\\x00c"},
        {"Spalte\tWert", "Spalte\\tWert"},
        {"C1 \xc2\x9b" "2J", "C1 \\xc2\\x9b" "2J"},   // CSI as one character
        {"kaputt \xff\xc3", "kaputt \\xff\\xc3"},  // no UTF-8
        {"\xe2\x80\xaemoc.evil", "\\xe2\\x80\\xaemoc.evil"},  // right-to-left override
        {"Grüße \xe2\x82\xac 服务器", "Grüße \xe2\x82\xac 服务器"},
        {"eins\rzwei\r\ndrei\nvier", "eins\nzwei\ndrei\nvier"},
    };
    for (const auto& row : rows) EXPECT_EQ(ConsoleDialogs::forTerminal(row.text), row.shown) << row.shown;

    auto dialogs = make(false);
    dialogs.messageBox(std::string("Wartung\x1b[2J", 11), "Info", MessageIcon::Information);
    EXPECT_EQ(printed(), "[Info] Wartung\\x1b[2J\n");
}

TEST_F(Console, WithoutATerminalTheQuestionIsShownAndCancelled) {
    auto dialogs = make(false);
    input = {"k1"};
    EXPECT_EQ(dialogs.askQuestion({"Neue Verbindung herstellen", "Schritt 1 von 3", "Frage?", {}, ""}), "cancel");
    EXPECT_NE(printed().find("Schritt 1 von 3"), std::string::npos);
    EXPECT_EQ(input.size(), 1u) << "nothing is read";
}

TEST_F(Console, OnATerminalTheTypedLineIsTheAnswer) {
    auto dialogs = make(true);
    input = {"K1001\r", "", "", "2) Indirekt"};
    EXPECT_EQ(dialogs.askQuestion({"c", "s", "q", {}, ""}), "K1001");
    EXPECT_EQ(dialogs.askQuestion({"c", "s", "q", {}, ""}), "") << "Enter on an empty box answers empty";
    EXPECT_EQ(dialogs.askQuestion({"c", "s", "q", {"1) a", "2) b"}, "1) a"}), "1) a") << "Enter keeps the preset";
    EXPECT_EQ(dialogs.askQuestion({"c", "s", "q", {"1) a", "2) b"}, "1) a"}), "2) Indirekt");
    EXPECT_EQ(dialogs.askQuestion({"c", "s", "q", {}, ""}), "cancel") << "end of input cancels";
}

// A stream that flushes in the middle of a character must keep its first
// bytes back, or the console shows two broken halves instead of "ü".
TEST(ConsoleText, PiecesEndOnlyAfterAWholeCharacter) {
    const struct {
        std::string text;
        std::size_t complete;
    } rows[] = {
        {"", 0},
        {"Gr\xc3\xbc\xc3\x9f", 6},         // "Grüß": whole
        {"Gr\xc3", 2},                       // "ü" begun
        {"\xe2\x82", 0},                     // "€" begun
        {"a\xe2\x82\xac", 4},                // "€" whole
        {"a\xf0\x9f\x98", 1},                // four-byte character begun
        {"a\xf0\x9f\x98\x80", 5},            // and whole
        {"kaputt \xbc", 8},                   // a stray continuation byte waits for nothing
        {"kaputt \xff", 8},                   // nor does a byte that is never UTF-8
        {"\x80\x80\x80\x80\x80", 5},
    };
    for (const auto& row : rows) EXPECT_EQ(completeUtf8Length(row.text), row.complete) << row.text;
}

}  // namespace
}  // namespace tavik
