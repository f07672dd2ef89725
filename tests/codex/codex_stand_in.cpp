// Plays the Codex app server in tests. It follows the scenario file named by
// BRIMLOW_STAND_IN_SCENARIO, one command per line:
//
//   read            read one line from standard input and record it
//   quiet?          record "quiet" if no more input is waiting, else "pending"
//   send TEXT       write TEXT and a line feed in one write
//   send-raw TEXT   write TEXT alone
//   sleep MS        pause
//   record-env NAME record "NAME=value" (or "NAME unset")
//   close-stdin     stop reading, so the client's writes fail
//   close-stdout    end our output, staying alive
//   exit CODE       end now
//   hang            wait until killed
//
// In TEXT the two characters \n stand for a line feed. Records go, one per
// line, to the file named by BRIMLOW_STAND_IN_RECORD.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

void record(const std::string& text) {
    const char* path = std::getenv("BRIMLOW_STAND_IN_RECORD");
    if (!path)
        return;
    std::ofstream(path, std::ios::app) << text << '\n';
}

std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void writeOnce(const std::string& bytes) {
    if (::write(STDOUT_FILENO, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        std::_Exit(90);
}

// Byte by byte, so nothing after the line is taken from the pipe early.
void readLine() {
    std::string line;
    char c;
    for (;;) {
        ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got <= 0) {
            record("<eof>");
            return;
        }
        if (c == '\n')
            break;
        line += c;
    }
    record(line);
}

bool inputWaiting() {
    pollfd entry{STDIN_FILENO, POLLIN, 0};
    return poll(&entry, 1, 0) > 0;
}

} // namespace

int main() {
    const char* scenarioPath = std::getenv("BRIMLOW_STAND_IN_SCENARIO");
    if (!scenarioPath)
        return 64;
    std::ifstream scenario(scenarioPath);
    std::string line;
    while (std::getline(scenario, line)) {
        auto space = line.find(' ');
        std::string command = line.substr(0, space);
        std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
        if (command == "read") {
            readLine();
        } else if (command == "quiet?") {
            record(inputWaiting() ? "pending" : "quiet");
        } else if (command == "send") {
            writeOnce(unescape(argument) + '\n');
        } else if (command == "send-raw") {
            writeOnce(unescape(argument));
        } else if (command == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(argument)));
        } else if (command == "record-env") {
            const char* value = std::getenv(argument.c_str());
            record(value ? argument + "=" + value : argument + " unset");
        } else if (command == "close-stdin") {
            ::close(STDIN_FILENO);
        } else if (command == "close-stdout") {
            ::close(STDOUT_FILENO);
        } else if (command == "exit") {
            return std::stoi(argument);
        } else if (command == "hang") {
            for (;;)
                pause();
        } else {
            return 65;
        }
    }
    return 0;
}
