// Plays the Codex app server in tests, following the scenario file named by
// BRIMLOW_STAND_IN_SCENARIO, one command a line: read (one input line, which
// is recorded), quiet? (records "quiet" if no more input waits, else
// "pending"), send TEXT (TEXT and a line feed in one write), send-raw TEXT,
// sleep MS, close-stdin, close-stdout (staying alive), exit CODE, hang (until
// killed). In TEXT, \n stands for a line feed. Records go, one a line, to the
// file named by BRIMLOW_STAND_IN_RECORD.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <regex>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

void record(const std::string& text) {
    if (const char* path = std::getenv("BRIMLOW_STAND_IN_RECORD"))
        std::ofstream(path, std::ios::app) << text << '\n';
}

void writeOnce(const std::string& text) {
    std::string bytes = std::regex_replace(text, std::regex(R"(\\n)"), "\n");
    if (::write(STDOUT_FILENO, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        std::_Exit(90);
}

// Byte by byte, so nothing after the line is taken from the pipe early.
std::string readLine() {
    std::string line;
    for (char c; ::read(STDIN_FILENO, &c, 1) == 1;) {
        if (c == '\n')
            return line;
        line += c;
    }
    return "<eof>";
}

} // namespace

int main() {
    const char* scenarioPath = std::getenv("BRIMLOW_STAND_IN_SCENARIO");
    if (!scenarioPath)
        return 64;
    std::ifstream scenario(scenarioPath);
    for (std::string line; std::getline(scenario, line);) {
        auto space = line.find(' ');
        std::string command = line.substr(0, space);
        std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (command == "read")
            record(readLine());
        else if (command == "quiet?")
            record(poll(&input, 1, 0) > 0 ? "pending" : "quiet");
        else if (command == "send")
            writeOnce(argument + "\\n");
        else if (command == "send-raw")
            writeOnce(argument);
        else if (command == "sleep")
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(argument)));
        else if (command == "close-stdin")
            ::close(STDIN_FILENO);
        else if (command == "close-stdout")
            ::close(STDOUT_FILENO);
        else if (command == "exit")
            return std::stoi(argument);
        else if (command == "hang")
            for (;;)
                pause();
        else
            return 65;
    }
    return 0;
}
