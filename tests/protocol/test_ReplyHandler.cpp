#include <gtest/gtest.h>

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
    // 40 is between offline and online; a cut-off field names no server, and
    // neither does one whose address or name could not stand in a hosts line.
    for (const std::string status : {"40+10.0.0.9+other", "50+10.0.0.9", "55+10.0.0.9+other", "50+10.0.0.9+",
                                     "50+127.1+other", "50+10.0.0.9\n6.6.6.6 evil+other", "50+10.0.0.9+bad name"}) {
        handler.handle("220;;;" + status + ";;;;6.10");
        EXPECT_EQ(hostsText(), hostsBefore) << status;
        EXPECT_EQ(stored("(Status)"), status);
        EXPECT_EQ(stored("ServerName"), "firma-server") << status;
        EXPECT_EQ(stored("ServerIP"), "10.0.0.7") << status;
        EXPECT_EQ(g.ServerName, "firma-server") << status;
    }
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
