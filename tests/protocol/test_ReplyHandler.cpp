#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../TempDirectory.h"
#include "ReplyHandlerFixture.h"

namespace tavik {
namespace {

const std::string kFirstRun = "220;;;50+10.0.0.7+firma-server;3;Firma;;6.10;;";
const std::string kRejected = "Ihre Benutzerangaben wurden nicht bestätigt.\rBitte überprüfen Sie diese noch einmal.";

using ReplyHandlerTest = ReplyHandlerFixture;

TEST_F(ReplyHandlerTest, FirstAcceptedReplyWritesHostsAndCustomerSection) {
    form.Image1Visible = true;
    form.MerkerFalscherBenutzerTag = "3";
    handler.handle(kFirstRun);

    EXPECT_EQ(g.AntwortCode, 220);
    EXPECT_NE(hostsText().find("10.0.0.7    firma-server"), std::string::npos) << hostsText();
    EXPECT_NE(hostsText().find("localhost"), std::string::npos);
    EXPECT_EQ(stored("(Status)"), "50+10.0.0.7+firma-server");
    EXPECT_EQ(stored("ServerName"), "firma-server");
    EXPECT_EQ(stored("ServerIP"), "10.0.0.7");
    EXPECT_EQ(stored("Datum"), "08.12.2026 - 14:03:55");
    EXPECT_EQ(g.ServerName, "firma-server");
    EXPECT_EQ(g.Kundenklasse, "Firma");
    EXPECT_FALSE(form.Image1Visible);
    EXPECT_EQ(form.MerkerFalscherBenutzerTag, "0");
    EXPECT_EQ(form.picTaskIconTag[kIconConnected],
              "Tavik6 V6.10\rStand:14. April 2005\rCounter:3\rfirma-server");
    EXPECT_GE(transfer.cancels, 1);
    EXPECT_TRUE(dialogs.infos.empty());
}

TEST_F(ReplyHandlerTest, SameReplyAgainOnlyRebuildsTheTooltip) {
    handler.handle(kFirstRun);
    const std::string hostsBefore = hostsText();
    const int replacements = hostsStore.replacements;
    const int writes = registry.writeCalls;
    form.picTaskIconTag[kIconConnected].clear();
    clock.current.minute = 30;

    handler.handle(kFirstRun);
    EXPECT_EQ(hostsText(), hostsBefore);
    EXPECT_EQ(hostsStore.replacements, replacements);
    EXPECT_EQ(registry.writeCalls, writes);
    EXPECT_EQ(stored("Datum"), "08.12.2026 - 14:03:55");
    EXPECT_EQ(form.picTaskIconTag[kIconConnected],
              "Tavik6 V6.10\rStand:14. April 2005\rCounter:3\rfirma-server");
}

TEST_F(ReplyHandlerTest, OfflineStatusRemovesTheEntryAndForgetsTheServer) {
    handler.handle(kFirstRun);
    handler.handle("220;;;20+0.0.0.0+firma-server;0;;;6.10");

    EXPECT_EQ(hostsText().find("firma-server"), std::string::npos) << hostsText();
    EXPECT_NE(hostsText().find("localhost"), std::string::npos);
    EXPECT_EQ(stored("ServerName"), "");
    EXPECT_EQ(stored("ServerIP"), "");
    EXPECT_EQ(stored("(Status)"), "20+0.0.0.0+firma-server");
    EXPECT_EQ(g.ServerName, "firma-server");  // kept for the removal at exit
    EXPECT_EQ(g.Kundenklasse, "Firma");       // an empty class field keeps the old one
    // Counter 0 adds no line; the name part still does.
    EXPECT_EQ(form.picTaskIconTag[kIconConnected], "Tavik6 V6.10\rStand:14. April 2005\rfirma-server");
}

TEST_F(ReplyHandlerTest, StatusesOtherThanOnlineOrOfflineOnlyStoreTheStatus) {
    handler.handle(kFirstRun);
    const std::string hostsBefore = hostsText();
    for (const std::string status : {"40+10.0.0.9+other", "55+10.0.0.9+other"}) {
        handler.handle("220;;;" + status + ";;;;6.10");
        EXPECT_EQ(hostsText(), hostsBefore) << status;
        EXPECT_EQ(stored("(Status)"), status);
        EXPECT_EQ(stored("ServerName"), "firma-server") << status;
        EXPECT_EQ(stored("ServerIP"), "10.0.0.7") << status;
    }
}

// The reply handling with the log in a folder of its own.
class ReplyHandlerLogTest : public ReplyHandlerFixture {
protected:
    ReplyHandlerLogTest() {
        folder = testing_support::makeTempDirectory("tavik-replies-");
        env.folder = folder;
    }
    ~ReplyHandlerLogTest() override { std::filesystem::remove_all(folder); }

    std::vector<std::string> logLines() {
        std::ifstream in(folder / "logTavik.TXT");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::filesystem::path folder;
};

TEST_F(ReplyHandlerLogTest, RefusedOnlineStatusIsReportedStoredNowhereAndTriedAgain) {
    ASSERT_FALSE(folder.empty());
    handler.handle(kFirstRun);
    const std::string hostsBefore = hostsText();
    const std::size_t logBefore = logLines().size();
    // A cut-off field names no server, and neither does one whose address or
    // name could not stand in a hosts line or is the machine's own.
    const struct {
        const char* status;
        const char* shown;
    } rows[] = {
        {"50+10.0.0.9", "unvollständig: 50+10.0.0.9"},
        {"50+10.0.0.9+", "Name"},
        {"50+127.1+other", "Adresse ist keine gültige IP-Adresse: 127.1"},
        {"50+10.0.0.9\n6.6.6.6 evil+other", "IP-Adresse: 10.0.0.9\\x0a6.6.6.6 evil"},
        {"50+10.0.0.9+bad name", "Name ist als Rechnername nicht zulässig: bad name"},
        {"50+10.0.0.9+localhost", "localhost"},
        {"50+10.0.0.9+ip6-loopback", "ip6-loopback"},
        {"50+10.0.0.9+127", "127"},
        {"50+10.0.0.9+0.0", "0.0"},
        {"50+10.0.0.9+ab", "ab"},
        {"50+10.0.0.9+x\x1b[2Jevil\x07", "zulässig: x\\x1b[2Jevil\\x07"},
    };
    std::size_t reports = 0;
    for (const auto& row : rows) {
        // Not stored, so the same reply is tried again, but said only once.
        for (int attempt = 1; attempt <= 2; ++attempt) {
            handler.handle("220;;;" + std::string(row.status) + ";;;;6.10");
            if (attempt == 1) ++reports;
            EXPECT_EQ(hostsText(), hostsBefore) << row.status;
            EXPECT_EQ(stored("(Status)"), "50+10.0.0.7+firma-server") << row.status;
            EXPECT_EQ(stored("ServerName"), "firma-server") << row.status;
            EXPECT_EQ(stored("ServerIP"), "10.0.0.7") << row.status;
            EXPECT_EQ(g.ServerName, "firma-server") << row.status;
            ASSERT_EQ(dialogs.infos.size(), reports) << row.status;
            EXPECT_NE(dialogs.infos.back().find(row.shown), std::string::npos) << dialogs.infos.back();
            const std::vector<std::string> log = logLines();
            ASSERT_EQ(log.size(), logBefore + reports) << row.status;
            EXPECT_NE(log.back().find("Serverstatus nicht übernommen: "), std::string::npos) << log.back();
            EXPECT_EQ(log.back().find_first_of("\x1b\x07\r"), std::string::npos) << log.back();
        }
    }
}

TEST_F(ReplyHandlerLogTest, ALineAnotherProgramRemovedIsPutBackByTheNextReply) {
    handler.handle(kFirstRun);
    const std::string written = hostsText();
    for (const std::string changed : {"127.0.0.1    localhost\n", "127.0.0.1    localhost\n10.0.0.99 firma-server\n"}) {
        hostsStore.files[hostsPath] = changed;
        handler.handle(kFirstRun);
        EXPECT_NE(hostsText().find("10.0.0.7    firma-server       # "), std::string::npos) << hostsText();
        EXPECT_EQ(hostsText().find("10.0.0.99"), std::string::npos) << hostsText();
    }
    EXPECT_EQ(logLines().size(), 2u);

    // Intact: read, not written.
    const int replacements = hostsStore.replacements;
    const int writes = registry.writeCalls;
    handler.handle(kFirstRun);
    EXPECT_EQ(hostsStore.replacements, replacements);
    EXPECT_EQ(registry.writeCalls, writes);
    EXPECT_EQ(logLines().size(), 2u);
}

TEST_F(ReplyHandlerTest, NamesRealServersUseAreWritten) {
    for (const std::string name : {"file_server", "büro-server.example", "FIRMA-SERVER"}) {
        handler.handle("220;;;50+10.0.0.8+" + name + ";;;;6.10");
        EXPECT_NE(hostsText().find("10.0.0.8    " + name + "       # "), std::string::npos) << hostsText();
        EXPECT_EQ(stored("(Status)"), "50+10.0.0.8+" + name);
        EXPECT_EQ(stored("ServerName"), name);
        handler.handle("220;;;20+0.0.0.0+" + name + ";;;;6.10");
        EXPECT_EQ(hostsText(), "127.0.0.1    localhost\n") << name;
    }
    EXPECT_TRUE(dialogs.infos.empty());
}

TEST_F(ReplyHandlerTest, ALineEndAfterTheBodyIsNotPartOfTheLastField) {
    handler.handle("220;;;50+10.0.0.7+firma-server\r\n");
    EXPECT_EQ(stored("(Status)"), "50+10.0.0.7+firma-server");
    EXPECT_NE(hostsText().find("10.0.0.7    firma-server       # "), std::string::npos) << hostsText();
    EXPECT_EQ(form.picTaskIconTag[kIconConnected], "Tavik6 V6.10\rStand:14. April 2005\rfirma-server");

    EXPECT_THROW(handler.handle("90;;Wartung heute Nacht\n"), ProgramEnded);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Wartung heute Nacht");
}

TEST_F(ReplyHandlerTest, ReplyWithoutStatusTouchesNoStore) {
    handler.handle("220;;;;;;;6.10");
    EXPECT_EQ(g.AntwortCode, 220);
    EXPECT_EQ(registry.writeCalls, 0);
    EXPECT_EQ(hostsStore.replacements, 0);
    EXPECT_EQ(form.picTaskIconTag[kIconConnected], "Tavik6 V6.10\rStand:14. April 2005");
}

TEST_F(ReplyHandlerTest, QuitCommandEndsOnlyWhenSpelledExactly) {
    handler.handle("220;;;;;;tavik beenden;6.10");
    EXPECT_EQ(actions.unloads, 0);
    EXPECT_EQ(form.picTaskIconTag[kIconConnected], "Tavik6 V6.10\rStand:14. April 2005");

    form.picTaskIconTag[kIconConnected].clear();
    EXPECT_THROW(handler.handle("220;;;;;Privat;Tavik beenden;6.10"), ProgramEnded);
    EXPECT_EQ(actions.unloads, 1);
    EXPECT_EQ(g.Kundenklasse, "Privat");                   // taken over before the command
    EXPECT_TRUE(form.picTaskIconTag[kIconConnected].empty());  // nothing after it ran
}

TEST_F(ReplyHandlerTest, RebootCommandEndsWhenTheRestartStarted) {
    EXPECT_THROW(handler.handle("220;;;;;;Server neu Starten (VORSICHT!!!);6.10"), ProgramEnded);
    EXPECT_EQ(session.exitFlags, std::vector<unsigned>{22});
    EXPECT_EQ(actions.unloads, 1);
}

TEST_F(ReplyHandlerTest, RefusedRebootLetsTheHandlingGoOn) {
    session.rightGranted = false;
    handler.handle("220;;;;;;Server neu Starten (VORSICHT!!!);6.11;t.zip");
    EXPECT_EQ(actions.unloads, 0);
    EXPECT_TRUE(session.exitFlags.empty());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(form.Image1Visible);
    EXPECT_FALSE(form.picTaskIconTag[kIconConnected].empty());
}

TEST_F(ReplyHandlerTest, NewerVersionShowsIndicatorAndUpdatesOnlyWhenSwitchedOn) {
    handler.handle("220;;;;;;;6.11;Tavik6_611.zip");
    EXPECT_TRUE(form.Image1Visible);
    EXPECT_TRUE(actions.updates.empty());

    g.AutoUpdate = "1";
    handler.handle("220;;;;;;;6.11;Tavik6_611.zip");
    ASSERT_EQ(actions.updates.size(), 1u);
    EXPECT_EQ(actions.updates[0].url, "http://127.0.0.1:8081/update/Tavik6_611.zip");
    EXPECT_EQ(actions.updates[0].fileName, "Tavik6_611.zip");
}

TEST_F(ReplyHandlerTest, VersionsCompareAsNumbers) {
    g.AutoUpdate = "1";
    for (const std::string version : {"6.1", "6.10", "6.09", "", "neu"}) {
        form.Image1Visible = true;
        handler.handle("220;;;;;;;" + version + ";f.zip");
        EXPECT_FALSE(form.Image1Visible) << version;
    }
    EXPECT_TRUE(actions.updates.empty());
    handler.handle("220;;;;;;;10.0;f.zip");
    EXPECT_TRUE(form.Image1Visible);
}

TEST_F(ReplyHandlerTest, RejectionsWhileOnlineStartSilently) {
    form.MerkerFalscherBenutzerCaption = "Online";
    // Per rejection in a row: is the message shown, and the counter afterwards.
    const struct {
        bool shown;
        const char* tag;
    } expected[] = {{false, "1"}, {false, "2"}, {false, "3"}, {false, "4"}, {true, "5"}, {true, "6"},
                    {true, "7"},  {true, "8"},  {true, "9"},  {false, ""},  {false, "1"}};
    std::size_t shownSoFar = 0;
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        handler.handle("100;");
        EXPECT_EQ(g.AntwortCode, 100);
        if (expected[i].shown) ++shownSoFar;
        EXPECT_EQ(dialogs.infos.size(), shownSoFar) << "rejection " << i + 1;
        EXPECT_EQ(actions.iconStates.size(), shownSoFar) << "rejection " << i + 1;
        EXPECT_EQ(form.MerkerFalscherBenutzerTag, expected[i].tag) << "rejection " << i + 1;
    }
    EXPECT_EQ(dialogs.infos.back(), kRejected);
    EXPECT_EQ(actions.iconStates.back(), kIconRejected);
}

TEST_F(ReplyHandlerTest, RejectionsWithOtherCaptionShowAtOnceAndAcceptanceResets) {
    handler.handle("100;");
    ASSERT_EQ(dialogs.infos.size(), 1u);
    EXPECT_EQ(dialogs.infos[0], kRejected);
    handler.handle("220;");
    EXPECT_EQ(form.MerkerFalscherBenutzerTag, "0");
    handler.handle("100;");
    EXPECT_EQ(form.MerkerFalscherBenutzerTag, "1");
}

TEST_F(ReplyHandlerTest, WebPageIsReportedInAnyLetterCase) {
    for (const std::string page : {"<html><head></head></html>", "220;<HeAd>"}) {
        dialogs.infos.clear();
        handler.handle(page);
        EXPECT_EQ(dialogs.infos, std::vector<std::string>{"Fehler beim Laden."});
    }
    EXPECT_EQ(g.AntwortCode, 1);
    EXPECT_EQ(registry.writeCalls, 0);
}

TEST_F(ReplyHandlerTest, ShortServerMessageIsIgnoredEntirely) {
    for (const std::string text : {"", "Hallo", "Grüße"}) {  // five characters at most
        handler.handle("90;;" + text);
        EXPECT_TRUE(dialogs.boxes.empty()) << text;
    }
    EXPECT_EQ(transfer.cancels, 0);
    EXPECT_EQ(g.AntwortCode, 1);
}

TEST_F(ReplyHandlerTest, ServerMessageIsShownThenTheProgramEnds) {
    EXPECT_THROW(handler.handle("90;;Grüße!"), ProgramEnded);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Grüße!");
    EXPECT_EQ(dialogs.boxes[0].title, "Info");
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Information);
    EXPECT_EQ(transfer.cancels, 1);
    EXPECT_EQ(actions.unloads, 1);
}

TEST_F(ReplyHandlerTest, FileNotFoundUsesItsMessageText) {
    handler.handle("110;");
    EXPECT_EQ(g.Meldung[116], "Datei nicht gefunden.");
    g.Meldung[116] = "Anderer Text";
    handler.handle("110;");
    EXPECT_EQ(dialogs.infos, (std::vector<std::string>{"Datei nicht gefunden.", "Anderer Text"}));
    EXPECT_EQ(g.AntwortCode, 1);
}

TEST_F(ReplyHandlerTest, BusyAndIgnoredCodes) {
    handler.handle("99;");
    EXPECT_EQ(g.AntwortCode, 99);
    g.AntwortCode = 1;
    handler.handle("221;;;50+10.0.0.7+firma-server");
    EXPECT_EQ(g.AntwortCode, 1);
    EXPECT_EQ(registry.writeCalls, 0);
    EXPECT_TRUE(actions.timerRestarts.empty());
    EXPECT_EQ(transfer.cancels, 2);
}

TEST_F(ReplyHandlerTest, UnknownCodeGoesOfflineAndRetriesSoon) {
    for (const std::string reply : {"", "kaputt", "500;", "220.5;"}) {
        std::string seen;
        form.onMerkerFrame1Change = [&](const std::string& caption) { seen = caption; };
        form.setMerkerFrame1("Online");
        actions.timerRestarts.clear();
        handler.handle(reply);
        EXPECT_EQ(seen, "Offline") << reply;
        EXPECT_EQ(actions.timerRestarts, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(30000)});
        EXPECT_EQ(g.AntwortCode, 1);
    }
}

}  // namespace
}  // namespace tavik
