// Running the built programs as a user would: as processes, with their output captured.
#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

namespace test {

struct Run {
    int exit = -1;
    std::string out;
    std::string err;
    std::vector<std::string> ErrLines() const;
};

// Runs program with args and extra environment ("NAME=value"), within a generous limit.
Run RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env = {});

// vexaq-sim in a process of its own, up and serving when the constructor returns.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    void Kill();  // as an unplugged probe: SIGKILL, no goodbye
    bool running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

std::string ShellQuote(const std::string& s);

}  // namespace test
