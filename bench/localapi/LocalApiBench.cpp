// Throughput and latency of the local API against nginx serving the same reply, and the
// memory the API's process needs to hold 2000 idle connections.
//
//   bench_localapi [seconds per wrk run, default 10]
//
// The API runs in a child process of its own, so that its memory is measured alone.
#include "../Anchors.h"
#include "BenchSupport.h"

#include "localapi/ApiHost.h"
#include "localapi/CallEvents.h"
#include "localapi/LocalApi.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using tamberlink::bench::Connect;
using tamberlink::bench::ResidentKilobytes;

constexpr const char* kPath = "/api/record?cmd=none";
constexpr int kConnections = 50;
constexpr int kIdleConnections = 2000;

// Answers as a core without a device would; no route of the bench reaches it.
class IdleHost : public tamberlink::ApiHost {
public:
    bool IsConnected() const override { return false; }
    bool IsPhoneLinked() const override { return false; }
    void HandOver(const tamberlink::LocalApiRequest&) override {}
    tamberlink::CallEvents& Events() override { return events_; }
    std::uint64_t AskOrigin(const std::string&, tamberlink::ApiPurpose,
                            std::function<void(bool)> answer) override {
        answer(false);
        return 0;
    }
    void WithdrawAsk(std::uint64_t) override {}

private:
    tamberlink::CallEvents events_;
};

// Runs the API until the parent closes the pipe; reports the port through it first.
[[noreturn]] void ServeInChild(int toParent, int fromParent) {
    IdleHost host;
    tamberlink::LocalApi api(host);
    std::uint16_t port = api.StartServer(0) ? api.Port() : 0;
    if (write(toParent, &port, sizeof port) != sizeof port) {
        _exit(1);
    }
    char byte = 0;
    while (read(fromParent, &byte, 1) > 0) {
    }
    api.StopServer();
    _exit(0);
}

std::string Fetch(std::uint16_t port) {
    const int fd = Connect(port);
    if (fd < 0) {
        return {};
    }
    const std::string request =
        std::string("GET ") + kPath + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) < 0) {
        close(fd);
        return {};
    }
    std::string reply;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) {
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return reply;
}

std::uint16_t FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// nginx's quoted strings take everything but '"' and '\' (and '$', which GBK never uses
// as a byte) as they are.
std::string NginxQuoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

// Starts nginx in the foreground with a private prefix; it answers every request with
// `body`, keeping connections open for more as the API does.
pid_t StartNginx(const std::filesystem::path& dir, std::uint16_t port, const std::string& body,
                 const std::string& type) {
    const std::string d = dir.string();
    std::ofstream conf(dir / "nginx.conf", std::ios::binary);
    conf << "worker_processes 2;\nerror_log " << d << "/error.log;\npid " << d
         << "/nginx.pid;\nevents { worker_connections 1024; }\nhttp {\n  access_log off;\n"
         << "  client_body_temp_path " << d << "/body;\n  proxy_temp_path " << d << "/proxy;\n"
         << "  fastcgi_temp_path " << d << "/fastcgi;\n  uwsgi_temp_path " << d << "/uwsgi;\n"
         << "  scgi_temp_path " << d << "/scgi;\n  keepalive_requests 1000000;\n"
         << "  server {\n    listen 127.0.0.1:" << port << ";\n    location / {\n"
         << "      default_type \"" << type << "\";\n      return 200 " << NginxQuoted(body)
         << ";\n    }\n  }\n}\n";
    conf.close();
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string confPath = (dir / "nginx.conf").string();
        execl("/usr/sbin/nginx", "nginx", "-p", d.c_str(), "-c", confPath.c_str(), "-g",
              "daemon off;", static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

struct WrkFigures {
    double requestsPerSecond = 0;
    std::string p99;
    std::string errors;
};

std::optional<WrkFigures> RunWrk(std::uint16_t port, int seconds) {
    const std::string command =
        "wrk -t2 -c" + std::to_string(kConnections) + " -d" + std::to_string(seconds) +
        "s --latency 'http://127.0.0.1:" + std::to_string(port) + kPath + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return std::nullopt;
    }
    std::string output;
    char buffer[1024];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    if (pclose(pipe) != 0) {
        std::fprintf(stderr, "wrk failed:\n%s", output.c_str());
        return std::nullopt;
    }
    WrkFigures figures;
    std::smatch match;
    if (!std::regex_search(output, match, std::regex(R"(Requests/sec:\s+([0-9.]+))"))) {
        std::fprintf(stderr, "no figures from wrk:\n%s", output.c_str());
        return std::nullopt;
    }
    figures.requestsPerSecond = std::stod(match[1]);
    if (std::regex_search(output, match, std::regex(R"(\n\s+99%\s+(\S+))"))) {
        figures.p99 = match[1];
    }
    if (std::regex_search(output, match, std::regex(R"(Socket errors: ([^\n]+))"))) {
        figures.errors = match[1];
    }
    return figures;
}

std::size_t OpenDescriptors(pid_t pid) {
    std::size_t count = 0;
    std::error_code ec;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        ++count;
    }
    return count;
}

void Print(const char* name, const WrkFigures& figures) {
    std::printf("%-10s %9.0f requests/s   p99 %-9s socket errors: %s\n", name,
                figures.requestsPerSecond, figures.p99.c_str(),
                figures.errors.empty() ? "none" : figures.errors.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    if (!tamberlink::bench::InstallAnchors("nginx wrk")) {
        std::fprintf(stderr, "nginx and wrk are needed: bench/anchors could not install them\n");
        return 1;
    }
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 8192);
    setrlimit(RLIMIT_NOFILE, &limit);

    int toParent[2];
    int fromParent[2];
    if (pipe(toParent) != 0 || pipe(fromParent) != 0) {
        return 1;
    }
    const pid_t server = fork();
    if (server == 0) {
        close(toParent[0]);
        close(fromParent[1]);
        ServeInChild(toParent[1], fromParent[0]);
    }
    close(toParent[1]);
    close(fromParent[0]);
    std::uint16_t port = 0;
    if (read(toParent[0], &port, sizeof port) != sizeof port || port == 0) {
        std::fprintf(stderr, "the local API did not start\n");
        return 1;
    }

    const std::string reply = Fetch(port);
    const std::size_t headEnd = reply.find("\r\n\r\n");
    const std::size_t typeAt = reply.find("Content-Type: ");
    if (headEnd == std::string::npos || typeAt == std::string::npos) {
        std::fprintf(stderr, "no reply from the local API\n");
        return 1;
    }
    const std::string body = reply.substr(headEnd + 4);
    const std::string type = reply.substr(typeAt + 14, reply.find("\r\n", typeAt) - typeAt - 14);

    char dirTemplate[] = "/tmp/tamberlink-bench-XXXXXX";
    const std::filesystem::path dir = mkdtemp(dirTemplate);
    const std::uint16_t nginxPort = FreePort();
    const pid_t nginx = StartNginx(dir, nginxPort, body, type);
    for (int i = 0; i < 100 && Fetch(nginxPort).empty(); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    const bool nginxServes = Fetch(nginxPort).ends_with(body);

    std::printf("GET %s, %d connections, %d s per run, wrk -t2, on loopback\n", kPath, kConnections,
                seconds);
    const auto api = RunWrk(port, seconds);
    const auto reference = nginxServes ? RunWrk(nginxPort, seconds) : std::nullopt;
    if (api) {
        Print("local API", *api);
    }
    if (reference) {
        Print("nginx", *reference);
    } else {
        std::printf("nginx      did not serve the reply; no comparison\n");
    }
    if (api && reference && reference->requestsPerSecond > 0) {
        std::printf("ratio      %.2f of nginx's requests/s (target: at least 0.50)\n",
                    api->requestsPerSecond / reference->requestsPerSecond);
    }
    kill(nginx, SIGTERM);
    waitpid(nginx, nullptr, 0);
    std::filesystem::remove_all(dir);

    // Memory with idle connections: they connect and send nothing.
    std::this_thread::sleep_for(500ms);
    const long idleKb = ResidentKilobytes(std::to_string(server));
    const std::size_t baseDescriptors = OpenDescriptors(server);
    std::vector<int> idle;
    for (int i = 0; i < kIdleConnections; ++i) {
        const int fd = Connect(port);
        if (fd < 0) {
            break;
        }
        idle.push_back(fd);
    }
    for (int i = 0; i < 200 && OpenDescriptors(server) < baseDescriptors + idle.size(); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    std::this_thread::sleep_for(500ms);
    const long heldKb = ResidentKilobytes(std::to_string(server));
    std::printf("memory     %zu idle connections held: RSS %.1f MB (%.1f MB before, %.2f KB "
                "per connection)\n",
                OpenDescriptors(server) - baseDescriptors, heldKb / 1024.0, idleKb / 1024.0,
                idle.empty() ? 0.0 : double(heldKb - idleKb) / double(idle.size()));
    for (int fd : idle) {
        close(fd);
    }

    close(fromParent[1]);
    int status = 0;
    waitpid(server, &status, 0);
    return api && reference ? 0 : 1;
}
