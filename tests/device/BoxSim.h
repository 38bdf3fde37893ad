#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tamberlink::test {

// Runs tamberlink-boxsim in a temporary folder and talks to it: commands through its
// control socket, and its event log read back line by line.
class BoxSim {
public:
    explicit BoxSim(const std::vector<std::string>& options = {});
    ~BoxSim();
    BoxSim(const BoxSim&) = delete;
    BoxSim& operator=(const BoxSim&) = delete;

    bool Running() const { return pid_ > 0; }
    // A path that always leads to the box's current pseudo-terminal.
    const std::string& PortPath() const { return linkPath_; }
    const std::string& Folder() const { return folder_; }

    // Runs one command; returns the box's reply ("ok" or "error: ...").
    std::string Command(const std::string& line);

    int Count(const std::string& line) const;
    // The lines starting with `prefix`, in order.
    std::vector<std::string> LinesStartingWith(const std::string& prefix) const;

    // Waits until `line` has appeared `count` times. A wait that runs out says on standard
    // error what it saw: how often the line came and how the log ends.
    bool WaitForLine(const std::string& line, int count = 1,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    bool WaitFor(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    // The whole lines written so far; a line still being written is left for the next read.
    std::vector<std::string> Lines() const;
    bool Wait(const std::function<bool()>& condition, std::chrono::milliseconds timeout) const;
    // The log's last lines, for a wait that ran out.
    std::string Tail(std::size_t count = 20) const;

    std::string folder_;
    std::string linkPath_;
    std::string controlPath_;
    std::string logPath_;
    int pid_ = -1;
};

} // namespace tamberlink::test
