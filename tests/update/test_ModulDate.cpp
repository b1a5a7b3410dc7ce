#include "update/ModulDate.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "../TempDirectory.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

const LocalDateTime kToday{2005, 4, 7, 10, 0, 0};
const std::string kNewLine = "Global Const PRG_UPDATEDATE$ = \"07. April 2005\"  ' Aktuelles Datum";

class ModulDateTest : public testing::Test {
protected:
    ModulDateTest() : folder(fs::temp_directory_path() / ("tavik-modul-" + std::to_string(std::random_device{}()))) {
        // Month names are the locale's; the C locale has none, so they are
        // German. Windows always has names; its tests run in a German prefix.
        testing_support::setEnvironment("LC_ALL", "C");
        fs::create_directories(folder);
    }
    ~ModulDateTest() override { fs::remove_all(folder); }

    void write(const std::string& content) const { std::ofstream(file, std::ios::binary) << content; }
    std::string read() const {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder;
    fs::path file = folder / kModulDateFile;
};

TEST_F(ModulDateTest, GermanMonthNamesUnderTheCLocale) {
    const char* expected[] = {"Januar", "Februar", "März",      "April",   "Mai",      "Juni",
                              "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    for (int month = 1; month <= 12; ++month) EXPECT_EQ(localMonthName(month), expected[month - 1]);
    EXPECT_EQ(localMonthName(0), "");
    EXPECT_EQ(localMonthName(13), "");
}

TEST_F(ModulDateTest, ReplacesEveryDateLineAndKeepsTheRest) {
    write("Attribute VB_Name = \"tavik_global\"\r\n"
          "  Global Const PRG_UPDATEDATE$ = \"14. April 2004\"  ' Aktuelles Datum\r\n"
          "\r\n"
          "global const PRG_UPDATEDATE$ = \"x\", 'y'\r"
          "' Global Const PRG_UPDATEDATE$ = old\n"
          "Public User As String");
    SetNewModulDate(file, kToday);
    const std::string once = read();
    EXPECT_EQ(once, "Attribute VB_Name = \"tavik_global\"\n" + kNewLine + "\n\nglobal const PRG_UPDATEDATE$ = \"x\", 'y'\n" +
                        kNewLine + "\nPublic User As String\n");
    SetNewModulDate(file, kToday);
    EXPECT_EQ(read(), once);
    EXPECT_FALSE(fs::exists(file.string() + ".tmp"));
}

TEST_F(ModulDateTest, FilesWithoutDateLineEmptyOrMissingStayAsTheyAre) {
    write("Option Explicit\n\nPublic Profil As String\n");
    SetNewModulDate(file, kToday);
    EXPECT_EQ(read(), "Option Explicit\n\nPublic Profil As String\n");

    write("");
    SetNewModulDate(file, kToday);
    EXPECT_EQ(read(), "");

    fs::remove(file);
    SetNewModulDate(file, kToday);
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(ModulDateTest, OnlyFilesOfAtMost10001LinesAreRewritten) {
    std::string lines = "Global Const PRG_UPDATEDATE$ = \"old\"\n";
    for (int i = 1; i < 10001; ++i) lines += "x\n";
    write(lines + "x\n");  // 10002 lines
    SetNewModulDate(file, kToday);
    EXPECT_EQ(read(), lines + "x\n");

    write(lines);  // 10001 lines
    SetNewModulDate(file, kToday);
    EXPECT_EQ(read().substr(0, kNewLine.size()), kNewLine);
}

TEST_F(ModulDateTest, AFailedRewriteLeavesTheOriginalWhole) {
    const std::string original = "Global Const PRG_UPDATEDATE$ = \"old\"\n";
    write(original);
    fs::create_directory(file.string() + ".tmp");  // the temporary file cannot be created
    SetNewModulDate(file, kToday);
    EXPECT_EQ(read(), original);
    EXPECT_TRUE(fs::is_directory(file.string() + ".tmp"));
}

}  // namespace
}  // namespace tavik
