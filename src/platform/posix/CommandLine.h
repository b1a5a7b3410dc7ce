#pragma once
#include <functional>
#include <string>
#include <vector>

namespace tavik {

// Splits a command line into program and arguments the way the program's
// command lines were written: the program path is not quoted and may hold
// blanks, so the shortest leading part that names an executable file is the
// program (a quoted program path is taken as quoted); the rest splits at
// blanks, with double quotes grouping words and being removed.
std::vector<std::string> splitCommandLine(const std::string& line,
                                          const std::function<bool(const std::string&)>& isExecutable);

// The argument words joined by one blank each, as the program's command line
// reads them back: empty words too, so "Büro", "", "2" give "Büro  2".
std::string joinArguments(const std::vector<std::string>& words);

}  // namespace tavik
