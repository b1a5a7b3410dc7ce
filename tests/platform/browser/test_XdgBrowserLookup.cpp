#include "platform/posix/XdgBrowserLookup.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tavik {
namespace {

namespace fs = std::filesystem;

// A desktop in a temporary folder: a bin folder for PATH, a data home and
// two data dirs, and a fake xdg-mime that prints what the test asks for.
class XdgBrowserLookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavik-xdg-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        top = pattern;
        for (const char* dir : {"bin", "home/applications", "share1/applications", "share2/applications"})
            fs::create_directories(top / dir);
        paths.path = (top / "bin").string() + ":" + (top / "nowhere").string();
        paths.dataHome = (top / "home").string();
        paths.dataDirs = (top / "share1").string() + ":" + (top / "share2").string();
        paths.xdgMime = (top / "bin" / "xdg-mime").string();
    }
    void TearDown() override { fs::remove_all(top); }

    void script(const fs::path& file, const std::string& body) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(file, fs::perms::owner_all);
    }
    // xdg-mime answering `answer` for text/html only, as the real one is asked.
    void xdgMimeAnswers(const std::string& answer) {
        script(top / "bin" / "xdg-mime",
               "[ \"$1 $2 $3\" = \"query default text/html\" ] || exit 3\necho '" + answer + "'");
    }
    void desktopFile(const fs::path& file, const std::string& content) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << content;
    }
    std::string find() { return XdgBrowserLookup(paths).findBrowser(); }

    fs::path top;
    XdgBrowserLookup::Paths paths;
};

TEST_F(XdgBrowserLookupTest, DefaultHandlerResolvedThroughPath) {
    xdgMimeAnswers("webby.desktop");
    script(top / "bin" / "webby", "exit 0");
    desktopFile(top / "share2/applications/webby.desktop",
                "[Desktop Entry]\nName=Webby\nExec=webby %u\n\n[Desktop Action private]\nExec=other --private\n");
    EXPECT_EQ(find(), (top / "bin" / "webby").string());
}

TEST_F(XdgBrowserLookupTest, EntryFoundInTheFirstFolderThatHoldsIt) {
    xdgMimeAnswers("webby.desktop");
    script(top / "bin" / "homeweb", "");
    script(top / "bin" / "share1web", "");
    desktopFile(top / "share1/applications/webby.desktop", "[Desktop Entry]\nExec=share1web\n");
    EXPECT_EQ(find(), (top / "bin" / "share1web").string());
    desktopFile(top / "home/applications/webby.desktop", "[Desktop Entry]\nExec=homeweb %U\n");
    EXPECT_EQ(find(), (top / "bin" / "homeweb").string());
}

TEST_F(XdgBrowserLookupTest, ExecForms) {
    const fs::path spaced = top / "opt dir" / "My Browser";
    script(spaced, "");
    script(top / "bin" / "webby", "");
    const struct {
        std::string exec;
        std::string expected;
    } rows[] = {
        {"Exec=\"" + spaced.string() + "\" --new %u", spaced.string()},
        {"Exec=\"" + (top / "opt\\sdir" / "My\\sBrowser").string() + "\" %u", spaced.string()},
        {"Exec = webby", (top / "bin" / "webby").string()},
        {"Exec=\"" + spaced.string(), ""},    // no closing quote
        {"Exec=opt/webby %u", ""},            // a relative path is never started
        {"ExecDirect=webby", ""},             // another key
    };
    xdgMimeAnswers("webby.desktop");
    for (const auto& row : rows) {
        desktopFile(top / "home/applications/webby.desktop", "[Desktop Entry]\n" + row.exec + "\n");
        EXPECT_EQ(find(), row.expected) << row.exec;
    }
}

TEST_F(XdgBrowserLookupTest, EntryInASubfolderNamedWithADash) {
    xdgMimeAnswers("vendor-web.desktop");
    script(top / "bin" / "vweb", "");
    desktopFile(top / "share1/applications/vendor/web.desktop", "[Desktop Entry]\nExec=vweb %u\n");
    EXPECT_EQ(find(), (top / "bin" / "vweb").string());
}

TEST_F(XdgBrowserLookupTest, FallsBackToXdgOpenThenToNothing) {
    const std::string xdgOpen = (top / "bin" / "xdg-open").string();
    script(xdgOpen, "");
    const struct {
        const char* why;
        std::string xdgMimeBody;  // empty: no xdg-mime at all
    } rows[] = {
        {"no xdg-mime", ""},
        {"no default", "exit 0"},
        {"xdg-mime fails", "echo webby.desktop; exit 4"},
        {"entry missing", "echo missing.desktop"},
        {"program of the entry missing", "echo gone.desktop"},
        {"not an entry name", "echo ../../../bin/xdg-mime"},
        {"a path", "echo ../share1/applications/webby.desktop"},
    };
    desktopFile(top / "home/applications/gone.desktop", "[Desktop Entry]\nExec=gone-browser %u\n");
    for (const auto& row : rows) {
        fs::remove(paths.xdgMime);
        if (!row.xdgMimeBody.empty()) script(paths.xdgMime, row.xdgMimeBody);
        EXPECT_EQ(find(), xdgOpen) << row.why;
    }
    fs::remove(xdgOpen);
    EXPECT_EQ(find(), "");
}

TEST_F(XdgBrowserLookupTest, HangingXdgMimeIsEndedAndTheLookupGoesOn) {
    // It keeps its output open through a child of its own; the whole group ends.
    script(paths.xdgMime, "echo webby.desktop\n/bin/sleep 60 &\nexec /bin/sleep 60");
    script(top / "bin" / "webby", "");
    desktopFile(top / "home/applications/webby.desktop", "[Desktop Entry]\nExec=webby\n");
    script(top / "bin" / "xdg-open", "");
    paths.timeout = std::chrono::milliseconds(200);
    EXPECT_EQ(find(), (top / "bin" / "xdg-open").string());
}

TEST_F(XdgBrowserLookupTest, XdgMimeSeesTheLookupsDataFolders) {
    script(paths.xdgMime, "[ \"$XDG_DATA_HOME\" = \"" + paths.dataHome + "\" ] && echo webby.desktop");
    script(top / "bin" / "webby", "");
    desktopFile(top / "home/applications/webby.desktop", "[Desktop Entry]\nExec=webby\n");
    EXPECT_EQ(find(), (top / "bin" / "webby").string());
}

TEST_F(XdgBrowserLookupTest, XdgMimeFoundInPathWhenNotGiven) {
    xdgMimeAnswers("webby.desktop");
    script(top / "bin" / "webby", "");
    desktopFile(top / "home/applications/webby.desktop", "[Desktop Entry]\nExec=webby\n");
    paths.xdgMime.clear();
    EXPECT_EQ(find(), (top / "bin" / "webby").string());
}

}  // namespace
}  // namespace tavik
