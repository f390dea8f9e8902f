// The application: reads the settings, runs the main dialog, and writes the settings back
// after OK.
#pragma once

#include <string>
#include <vector>

class MessageBoxes;

class CVexasetupApp {
public:
    // args: the program's arguments after its own name, as the shell delivered them.
    explicit CVexasetupApp(std::vector<std::string> args) : args_(std::move(args)) {}
    // Runs the whole program; always false (the program ends when it returns).
    bool InitInstance();

    // For tests: message boxes to use, and a hook to drive the dialog while it runs.
    MessageBoxes* boxes = nullptr;
    int lastResult = 0;

private:
    std::vector<std::string> args_;
};

// The argument text: the arguments joined by single blanks, leading blanks (codes up to
// 32) skipped; quotes stay as the shell delivered them.
std::string CommandLineText(const std::vector<std::string>& args);
