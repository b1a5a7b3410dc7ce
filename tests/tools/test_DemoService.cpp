#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "DemoService.h"

namespace tavik::demo {
namespace {

namespace fs = std::filesystem;

const std::string kReadIp = "/cgi-bin/server/tavik6/readip6.cgi?";

DemoAccount firma() {
    DemoAccount account;
    account.customer = "k1001";
    account.password = "GeHeim";
    account.accountClass = "Firma";
    account.serverName = "firma-server";
    account.serverIp = "10.0.0.7";
    account.status = "50";
    account.updateFile = "tavik6_611.bin";
    return account;
}

class DemoServiceTest : public ::testing::Test {
protected:
    DemoServiceTest() { service.addAccount(firma()); }

    std::string get(const std::string& target, const std::string& remote = "127.0.0.1") {
        return service.handle(target, remote).body;
    }
    std::string readIp(const std::string& query) { return get(kReadIp + query); }

    DemoService service{"6.11", {}};
};

TEST_F(DemoServiceTest, AcceptedRequestCarriesServerStateAndCounts) {
    EXPECT_EQ(readIp("k1001&geheim&6.10"), "220;;;50+10.0.0.7+firma-server;1;Firma;;6.11;tavik6_611.bin;;");
    EXPECT_EQ(readIp("K1001&GEHEIM&6.10"), "220;;;50+10.0.0.7+firma-server;2;Firma;;6.11;tavik6_611.bin;;");
    EXPECT_EQ(service.account("k1001")->acceptedRequests, 2);
}

TEST_F(DemoServiceTest, WrongLoginIsRejectedAndNotCounted) {
    for (const char* query : {"k1001&falsch&6.10", "k9999&geheim&6.10", "k1001", "", "k1001&&6.10"})
        EXPECT_EQ(readIp(query), "100;;Benutzerdaten falsch") << query;
    EXPECT_EQ(service.account("k1001")->acceptedRequests, 0);
}

TEST_F(DemoServiceTest, PartsArePercentDecodedAndAmpersandsBelongToThePassword) {
    get("/demo/set?user=k2002&password=a%26b&status=50&ip=10.0.0.9&name=n");
    EXPECT_EQ(readIp("k2002&a&b&6.10").substr(0, 20), "220;;;50+10.0.0.9+n;");
    EXPECT_EQ(readIp("k%32002&a%26b&6.10").substr(0, 20), "220;;;50+10.0.0.9+n;");
}

TEST_F(DemoServiceTest, PlusIsLiteralForTheClientButABlankInScripting) {
    get("/demo/set?user=k3003&password=p%2Bw&class=Kleine+Firma");
    EXPECT_EQ(service.account("k3003")->accountClass, "Kleine Firma");
    EXPECT_EQ(readIp("k3003&p+w&6.10").substr(0, 3), "220");
    EXPECT_EQ(readIp("k3003&p w&6.10"), "100;;Benutzerdaten falsch");

    get("/demo/reply?user=k1001&body=90%3B%3BNachricht+vom+Server");
    EXPECT_EQ(readIp("k1001&geheim&6.10"), "90;;Nachricht vom Server");
}

TEST_F(DemoServiceTest, CommandIsSentOnce) {
    EXPECT_EQ(get("/demo/set?user=k1001&command=Tavik%20beenden"), "OK");
    EXPECT_EQ(readIp("k1001&geheim&6.10"), "220;;;50+10.0.0.7+firma-server;1;Firma;Tavik beenden;6.11;tavik6_611.bin;;");
    EXPECT_EQ(readIp("k1001&geheim&6.10"), "220;;;50+10.0.0.7+firma-server;2;Firma;;6.11;tavik6_611.bin;;");
}

TEST_F(DemoServiceTest, QueuedRepliesGoOutOnceInOrder) {
    EXPECT_EQ(get("/demo/reply?user=K1001&body=90%3B%3BNachricht%20vom%20Server"), "OK");
    EXPECT_EQ(get("/demo/reply?user=k1001&body=%3Chtml%3E%3Chead%3E%3C%2Fhead%3E%3C%2Fhtml%3E"), "OK");
    EXPECT_EQ(readIp("k1001&falsch&6.10"), "90;;Nachricht vom Server");
    EXPECT_EQ(readIp("k1001&geheim&6.10"), "<html><head></head></html>");
    EXPECT_EQ(readIp("k1001&geheim&6.10"), "220;;;50+10.0.0.7+firma-server;1;Firma;;6.11;tavik6_611.bin;;");
    // Also for a customer the service does not know.
    get("/demo/reply?user=fremd&body=100%3B");
    EXPECT_EQ(readIp("fremd&x&6.10"), "100;");
    EXPECT_EQ(service.handle("/demo/reply?body=x", "").status, 400);
}

TEST_F(DemoServiceTest, SetChangesOnlyTheGivenFields) {
    get("/demo/set?user=k1001&status=20&version=7.00&file=neu.bin&class=Privat");
    EXPECT_EQ(readIp("k1001&geheim&6.10"), "220;;;20+10.0.0.7+firma-server;1;Privat;;7.00;neu.bin;;");
    get("/demo/set?user=k1001&ip=10.0.0.8&name=a%2Bb");  // '+' is data, escaped
    EXPECT_EQ(readIp("k1001&geheim&6.10"), "220;;;20+10.0.0.8+a+b;2;Privat;;7.00;neu.bin;;");
    EXPECT_EQ(service.handle("/demo/set?status=50", "").status, 400);
}

TEST_F(DemoServiceTest, OwnServerReportsItsState) {
    EXPECT_EQ(get("/cgi-bin/server/report.cgi?k1001&geheim&50&10.1.2.3&neu-server"), "OK");
    EXPECT_EQ(readIp("k1001&geheim&6.10").substr(0, 32), "220;;;50+10.1.2.3+neu-server;1;F");
    EXPECT_EQ(get("/cgi-bin/server/report.cgi?k1001&geheim&20", "192.168.7.1"), "OK");
    EXPECT_EQ(readIp("k1001&geheim&6.10").substr(0, 35), "220;;;20+192.168.7.1+neu-server;2;F");

    for (const char* query : {"k1001&falsch&50", "k9999&geheim&50", "k1001&geheim", "k1001&geheim&5x",
                              "k1001&geheim&50&1.2.3.4%3Bx", "k1001&geheim&50&1.2.3.4&a%3Bb",
                              "k1001&geheim&50&1.2.3.4&a+b", "k1001&geheim&50&1.2.3.4&n&extra"})
        EXPECT_EQ(get(std::string("/cgi-bin/server/report.cgi?") + query), "FEHLER") << query;
    EXPECT_EQ(service.account("k1001")->serverIp, "192.168.7.1");
}

TEST_F(DemoServiceTest, OfflineNoticeIsRecorded) {
    EXPECT_EQ(get("/cgi-bin/server/offline.cgi?K1001"), "221;");
    EXPECT_EQ(get("/cgi-bin/server/offline.cgi?unbekannt"), "221;");
    EXPECT_EQ(service.account("k1001")->offlineNotices, 1);
}

TEST_F(DemoServiceTest, PagesAreHtmlWithHeadAndEscapeValues) {
    get("/demo/set?user=k1001&name=%3Cb%3Ex");
    for (const char* target : {"/cgi-bin/server/tavik6/edit.cgi?name=k1001&passwort=geheim",
                               "/cgi-bin/server/tavik6/edit.cgi?name=k1001&passwort=falsch",
                               "/cgi-bin/server/server.cgi?k1001", "/cgi-bin/server/server.cgi?k9",
                               "/V5/de/anmeldung.shtml", "/V5/de/download.shtml", "/tavik/update.htm",
                               "/gibt/es/nicht"}) {
        const DemoReply reply = service.handle(target, "");
        EXPECT_EQ(reply.contentType.rfind("text/html", 0), 0u) << target;
        EXPECT_NE(reply.body.find("<head>"), std::string::npos) << target;
        EXPECT_EQ(reply.body.find("<b>"), std::string::npos) << target;
    }
    EXPECT_NE(get("/cgi-bin/server/server.cgi?k1001").find("&lt;b&gt;x"), std::string::npos);
    EXPECT_NE(get("/cgi-bin/server/tavik6/edit.cgi?name=k1001&passwort=falsch").find("Benutzerdaten falsch"),
              std::string::npos);
    EXPECT_EQ(service.handle("/gibt/es/nicht", "").status, 404);
}

TEST_F(DemoServiceTest, RequestsAreListedInOrder) {
    readIp("k1001&geheim&6.10");
    get("/cgi-bin/server/offline.cgi?k1001");
    EXPECT_EQ(get("/demo/requests"),
              kReadIp + "k1001&geheim&6.10\n/cgi-bin/server/offline.cgi?k1001\n/demo/requests\n");
}

class DemoUpdateFilesTest : public ::testing::Test {
protected:
    DemoUpdateFilesTest() {
        char pattern[] = "/tmp/tavik-demo-XXXXXX";
        root = mkdtemp(pattern);
        fs::create_directory(root / "updates");
        std::ofstream(root / "updates" / "tavik6_611.bin", std::ios::binary) << std::string("MZ\0\x01\xff", 5);
        std::ofstream(root / "secret") << "geheim";
    }
    ~DemoUpdateFilesTest() override { fs::remove_all(root); }

    fs::path root;
};

TEST_F(DemoUpdateFilesTest, ServesPlainNamesFromTheUpdatesFolderOnly) {
    DemoService service("6.11", root / "updates");
    const DemoReply file = service.handle("/update/tavik6_611.bin", "");
    EXPECT_EQ(file.status, 200);
    EXPECT_EQ(file.contentType, "application/octet-stream");
    EXPECT_EQ(file.body, std::string("MZ\0\x01\xff", 5));

    const DemoReply missing = service.handle("/update/fehlt.bin", "");
    EXPECT_EQ(missing.status, 404);
    EXPECT_NE(missing.body.find("<head>"), std::string::npos);

    for (const char* target : {"/update/../secret", "/update/..%2Fsecret", "/update/%2E%2E%2Fsecret",
                               "/update/sub/x", "/update/..", "/update/a%5Cb", "/update/"}) {
        const DemoReply refused = service.handle(target, "");
        EXPECT_EQ(refused.status, 403) << target;
        EXPECT_NE(refused.body.find("<head>"), std::string::npos) << target;
        EXPECT_EQ(refused.body.find("geheim"), std::string::npos) << target;
    }

    DemoService withoutFolder("6.11", {});
    EXPECT_EQ(withoutFolder.handle("/update/tavik6_611.bin", "").status, 404);
}

}  // namespace
}  // namespace tavik::demo
