// A child for the process tests: writes its arguments, as the C runtime of a
// Windows program splits them, one per line in UTF-8, into the file named by
// TAVIK_ARGUMENTS_FILE.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <fstream>
#include <string>

int main() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    const char* target = std::getenv("TAVIK_ARGUMENTS_FILE");
    if (!words || !target) return 2;
    std::string text;
    for (int i = 1; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, words[i], -1, nullptr, 0, nullptr, nullptr);
        std::string word(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, words[i], -1, word.data(), size, nullptr, nullptr);
        text += word + "\n";
    }
    const std::string partial = std::string(target) + ".part";
    std::ofstream(partial, std::ios::binary) << text;
    // Renamed when complete, so the test never reads half of it.
    MoveFileExA(partial.c_str(), target, MOVEFILE_REPLACE_EXISTING);
    return 0;
}
