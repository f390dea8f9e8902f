#include "tests/processes.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/support.h"

namespace test {

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::vector<std::string> Run::ErrLines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

Run RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env) {
    TempDir dir;
    std::string command = "env";
    for (const std::string& e : env) command += " " + ShellQuote(e);
    command += " timeout 120 " + ShellQuote(program);
    for (const std::string& a : args) command += " " + ShellQuote(a);
    command += " > " + dir.File("out") + " 2> " + dir.File("err") + " < /dev/null";
    Run run;
    const int status = std::system(command.c_str());
    run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto out = ReadFileBytes(dir.File("out"));
    const auto err = ReadFileBytes(dir.File("err"));
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(ready[1], STDOUT_FILENO);
        close(ready[0]);
        std::vector<char*> argv;
        static std::string program = VEXAQ_SIM_PATH;
        argv.push_back(program.data());
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(ready[1]);
    char buffer[16] = {};
    FILE* in = fdopen(ready[0], "r");
    if (!in || !std::fgets(buffer, sizeof buffer, in) || std::string(buffer) != "ready\n") {
        ADD_FAILURE() << "vexaq-sim did not start";
        Kill();
    }
    if (in) std::fclose(in);
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

void SimProcess::Kill() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

}  // namespace test
