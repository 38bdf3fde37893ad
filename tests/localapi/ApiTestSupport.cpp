#include "ApiTestSupport.h"

#include <QProcess>

#include <arpa/inet.h>
#include <iconv.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace tamberlink::test {

int ConnectLoopback(std::uint16_t port, int receiveBuffer) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return -1;
    }
    if (receiveBuffer > 0) {
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

Received ReadUntilClosed(int fd, std::chrono::milliseconds deadline) {
    return ReadReplies(fd, SIZE_MAX, deadline);
}

std::size_t CountReplies(std::string_view bytes) {
    std::size_t count = 0;
    for (;;) {
        const std::size_t headEnd = bytes.find("\r\n\r\n");
        const std::size_t at = bytes.find("Content-Length: ");
        if (headEnd == std::string_view::npos || at == std::string_view::npos || at > headEnd) {
            return count;
        }
        const std::size_t length = std::strtoul(bytes.data() + at + 16, nullptr, 10);
        if (bytes.size() < headEnd + 4 + length) {
            return count;
        }
        bytes.remove_prefix(headEnd + 4 + length);
        ++count;
    }
}

Received ReadReplies(int fd, std::size_t count, std::chrono::milliseconds deadline) {
    Received received;
    const auto end = std::chrono::steady_clock::now() + deadline;
    char buffer[8192];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return received;
        }
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            received.bytes.append(buffer, static_cast<std::size_t>(n));
            if (count != SIZE_MAX && CountReplies(received.bytes) >= count) {
                return received;
            }
        } else if (n == 0 || errno != EINTR) {
            received.closed = true;
            return received;
        }
    }
}

Received Exchange(std::uint16_t port, std::string_view request) {
    const int fd = ConnectLoopback(port);
    if (fd < 0) {
        return {};
    }
    // A server that closes early may cut the sending short; what it answered still counts.
    SendAll(fd, request);
    shutdown(fd, SHUT_WR);
    const Received received = ReadUntilClosed(fd);
    close(fd);
    return received;
}

bool StillOpen(int fd) {
    char byte = 0;
    const ssize_t n = recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK);
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

CurlResult RunCurl(const QStringList& arguments) {
    QProcess curl;
    curl.start("curl", QStringList{"-s", "-S", "-i", "-g", "--noproxy", "*", "--max-time", "30"} +
                           arguments);
    CurlResult result;
    if (!curl.waitForFinished(60000)) {
        curl.kill();
        curl.waitForFinished();
        return result;
    }
    result.exitCode = curl.exitStatus() == QProcess::NormalExit ? curl.exitCode() : -1;
    result.output = curl.readAllStandardOutput().toStdString();
    return result;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

bool EnsureDescriptors(std::size_t count) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_max < count) {
        return false;
    }
    if (limit.rlim_cur < count) {
        limit.rlim_cur = count;
        return setrlimit(RLIMIT_NOFILE, &limit) == 0;
    }
    return true;
}

std::string ReplyOf(std::string_view body, std::string_view contentType) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nContent-Type: " + std::string(contentType) + "\r\nConnection: Keep-Alive\r\n\r\n" +
           std::string(body);
}

std::string Gbk(std::string_view utf8) {
    const iconv_t cd = iconv_open("GBK", "UTF-8");
    std::string gbk(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* out = gbk.data();
    std::size_t inLeft = utf8.size();
    std::size_t outLeft = gbk.size();
    iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    gbk.resize(gbk.size() - outLeft);
    return gbk;
}

std::string Body(int code, std::string_view message) {
    return "{\"code\":" + std::to_string(code) + ", \"msg\":" + Gbk(message) + "}";
}

void FakeHost::HandOver(const LocalApiRequest& request) {
    std::unique_lock lock(mutex_);
    taken_.push_back(request);
    changed_.notify_all();
    changed_.wait(lock, [this] { return !gateClosed_; });
}

std::uint64_t FakeHost::AskOrigin(const std::string& origin, ApiPurpose purpose,
                                  std::function<void(bool)> answer) {
    std::unique_lock lock(mutex_);
    if (const auto known = remembered_.find(origin); known != remembered_.end()) {
        const bool allowed = known->second;
        lock.unlock();
        answer(allowed);
        return 0;
    }
    questions_.emplace_back(origin, purpose);
    open_.push_back(std::move(answer));
    changed_.notify_all();
    return questions_.size();
}

void FakeHost::WithdrawAsk(std::uint64_t ticket) {
    std::lock_guard lock(mutex_);
    withdrawn_.push_back(ticket);
}

std::vector<std::uint64_t> FakeHost::Withdrawn() const {
    std::lock_guard lock(mutex_);
    return withdrawn_;
}

void FakeHost::Remember(const std::string& origin, bool allowed) {
    std::lock_guard lock(mutex_);
    remembered_[origin] = allowed;
}

std::vector<std::pair<std::string, ApiPurpose>> FakeHost::Questions() const {
    std::lock_guard lock(mutex_);
    return questions_;
}

bool FakeHost::WaitForQuestions(std::size_t count) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 20s, [&] { return questions_.size() >= count; });
}

void FakeHost::Answer(bool allowed) {
    std::vector<std::function<void(bool)>> open;
    {
        std::lock_guard lock(mutex_);
        open.swap(open_);
    }
    for (const auto& answer : open) {
        answer(allowed);
    }
}

std::vector<LocalApiRequest> FakeHost::Taken() const {
    std::lock_guard lock(mutex_);
    return taken_;
}

void FakeHost::Clear() {
    std::lock_guard lock(mutex_);
    taken_.clear();
}

void FakeHost::SetGate(bool closed) {
    std::lock_guard lock(mutex_);
    gateClosed_ = closed;
    changed_.notify_all();
}

bool FakeHost::WaitForRequests(std::size_t count) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 20s, [&] { return taken_.size() >= count; });
}

} // namespace tamberlink::test
