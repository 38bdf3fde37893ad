#include "BoxSim.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tamberlink::test {

BoxSim::BoxSim(const std::vector<std::string>& options) {
    char pattern[] = "/tmp/boxsim-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return;
    }
    folder_ = pattern;
    linkPath_ = folder_ + "/box";
    controlPath_ = folder_ + "/control";
    logPath_ = folder_ + "/log";

    std::vector<std::string> args{TAMBERLINK_BIN_DIR "/tamberlink-boxsim",
                                  "--link",
                                  linkPath_,
                                  "--control",
                                  controlPath_,
                                  "--log",
                                  logPath_,
                                  "--end-with-parent"};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        pid_ = pid;
    }
    posix_spawn_file_actions_destroy(&actions);
    const bool ready =
        pid_ > 0 && WaitFor([this] {
            return access(controlPath_.c_str(), F_OK) == 0 && !LinesStartingWith("pty ").empty();
        });
    if (!ready && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

BoxSim::~BoxSim() {
    if (pid_ > 0) {
        Command("quit");
        bool ended = false;
        for (int i = 0; i < 200 && !ended; ++i) {
            ended = waitpid(pid_, nullptr, WNOHANG) == pid_;
            if (!ended) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        if (!ended) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    if (!folder_.empty()) {
        for (const std::string& path : {linkPath_, controlPath_, logPath_}) {
            unlink(path.c_str());
        }
        rmdir(folder_.c_str());
    }
}

std::string BoxSim::Command(const std::string& line) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, controlPath_.c_str(), sizeof address.sun_path - 1);
    std::string reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = line + "\n";
        if (write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
            char c;
            while (read(fd, &c, 1) == 1 && c != '\n') {
                reply += c;
            }
        }
    }
    close(fd);
    return reply;
}

std::vector<std::string> BoxSim::Lines() const {
    std::ifstream in(logPath_, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

int BoxSim::Count(const std::string& line) const {
    int count = 0;
    for (const std::string& each : Lines()) {
        count += each == line ? 1 : 0;
    }
    return count;
}

std::vector<std::string> BoxSim::LinesStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : Lines()) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

bool BoxSim::WaitForLine(const std::string& line, int count,
                         std::chrono::milliseconds timeout) const {
    if (Wait([&] { return Count(line) >= count; }, timeout)) {
        return true;
    }
    std::fprintf(stderr, "waited %lld ms for \"%s\" %d times in the box's log, saw it %d times\n%s",
                 static_cast<long long>(timeout.count()), line.c_str(), count, Count(line),
                 Tail().c_str());
    return false;
}

bool BoxSim::WaitFor(const std::function<bool()>& condition,
                     std::chrono::milliseconds timeout) const {
    if (Wait(condition, timeout)) {
        return true;
    }
    std::fprintf(stderr, "waited %lld ms in vain; by then\n%s",
                 static_cast<long long>(timeout.count()), Tail().c_str());
    return false;
}

bool BoxSim::Wait(const std::function<bool()>& condition, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string BoxSim::Tail(std::size_t count) const {
    const std::vector<std::string> lines = Lines();
    const std::size_t from = lines.size() > count ? lines.size() - count : 0;
    std::string tail = "the box's log, " + std::to_string(lines.size()) + " lines, ends with:\n";
    for (std::size_t i = from; i < lines.size(); ++i) {
        tail += "  " + lines[i] + "\n";
    }
    return tail;
}

} // namespace tamberlink::test
