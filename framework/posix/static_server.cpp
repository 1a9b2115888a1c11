// The server over POSIX sockets: one thread per connection, so that a browser's idle spare
// connections do not hold up the others.
#include "framework/static_server.hpp"
#include "framework/posix/fd.hpp"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

namespace Framework {

namespace {

namespace fs = std::filesystem;

constexpr int portsTried = 100;
constexpr std::size_t maxHeadBytes = 16384;
constexpr std::uintmax_t maxFileBytes = std::uintmax_t{256} << 20;

bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

struct Response {
    int status = 200;
    std::string type = "text/plain; charset=utf-8";
    std::string body;
    std::string location; // for a redirect
};

const char* reason(int status) {
    constexpr std::pair<int, const char*> reasons[] = {
        {200, "OK"},        {301, "Moved Permanently"},  {400, "Bad Request"},
        {404, "Not Found"}, {405, "Method Not Allowed"}, {431, "Request Header Fields Too Large"}};
    for (const auto& [code, text] : reasons) {
        if (code == status) {
            return text;
        }
    }
    return "Internal Server Error";
}

Response failure(int status) {
    return {status,
            "text/plain; charset=utf-8",
            std::to_string(status) + " " + reason(status) + "\n",
            {}};
}

int hexDigit(char c) {
    int value = -1;
    std::from_chars(&c, &c + 1, value, 16);
    return value;
}

// The path of a request's target with its %-escapes undone; nullopt for one that is malformed.
std::optional<std::string> decodedPath(std::string_view target) {
    target = target.substr(0, target.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < target.size(); ++i) {
        if (target[i] != '%') {
            path.push_back(target[i]);
            continue;
        }
        const int high = i + 2 < target.size() ? hexDigit(target[i + 1]) : -1;
        const int low = high >= 0 ? hexDigit(target[i + 2]) : -1;
        if (low < 0) {
            return std::nullopt;
        }
        path.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return path;
}

bool inside(const fs::path& root, const fs::path& path) {
    const fs::path relative = path.lexically_relative(root);
    return !relative.empty() && *relative.begin() != "..";
}

Response answer(const fs::path& root, std::string_view target) {
    const std::optional<std::string> path = decodedPath(target);
    if (!path) {
        return failure(400);
    }
    fs::path file = root;
    std::stringstream segments(*path);
    for (std::string segment; std::getline(segments, segment, '/');) {
        if (segment == "..") {
            return failure(404);
        }
        if (!segment.empty() && segment != ".") {
            file /= segment;
        }
    }
    std::error_code error;
    if (fs::is_directory(file, error)) {
        if (path->back() != '/') {
            Response moved = failure(301);
            moved.location = std::string(target.substr(0, target.find_first_of("?#"))) + "/";
            return moved;
        }
        file /= "index.html";
    }
    // Links inside the folder may not lead out of it.
    const fs::path real = fs::canonical(file, error);
    if (error || !inside(root, real) || !fs::is_regular_file(real, error) ||
        fs::file_size(real, error) > maxFileBytes) {
        return failure(404);
    }
    std::ifstream in(real, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) {
        return failure(404);
    }
    return {200, std::string(contentType(real.filename().string())), std::move(bytes).str(), {}};
}

std::string lower(std::string_view text) {
    std::string low(text);
    std::transform(low.begin(), low.end(), low.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return low;
}

// Answers one request after another on a connection, until the client closes it or is idle.
void serveConnection(Fd connection, fs::path root) {
    const int fd = connection.get();
    timeval idle{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &idle, sizeof idle);
    std::string buffer;
    for (;;) {
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
            if (buffer.size() > maxHeadBytes) {
                const Response tooLarge = failure(431);
                sendAll(fd, "HTTP/1.1 431 " + std::string(reason(431)) +
                                "\r\nConnection: close\r\nContent-Length: " +
                                std::to_string(tooLarge.body.size()) + "\r\n\r\n" + tooLarge.body);
                return;
            }
            char chunk[4096];
            const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return;
            }
            buffer.append(chunk, static_cast<std::size_t>(got));
        }
        std::istringstream head(buffer.substr(0, end));
        buffer.erase(0, end + 4);
        std::string method;
        std::string target;
        std::string version;
        std::string line;
        std::getline(head, line);
        std::istringstream(line) >> method >> target >> version;
        bool keepAlive = version == "HTTP/1.1";
        bool hasBody = false;
        while (std::getline(head, line)) {
            const std::string field = lower(line.substr(0, line.find(':')));
            const std::string value = lower(line.substr(std::min(line.size(), field.size() + 1)));
            if (field == "connection" && value.find("close") != std::string::npos) {
                keepAlive = false;
            }
            if ((field == "content-length" &&
                 value.find_first_not_of(" \t\r0") != std::string::npos) ||
                field == "transfer-encoding") {
                hasBody = true; // not read: the connection ends after the answer
            }
        }
        Response response;
        if (version.substr(0, 7) != "HTTP/1.") {
            response = failure(400);
            keepAlive = false;
        } else if (method != "GET" && method != "HEAD") {
            response = failure(405);
        } else {
            response = answer(root, target);
        }
        keepAlive = keepAlive && !hasBody;
        std::string reply = "HTTP/1.1 " + std::to_string(response.status) + " " +
                            reason(response.status) + "\r\nContent-Type: " + response.type +
                            "\r\nContent-Length: " + std::to_string(response.body.size()) +
                            "\r\nCache-Control: no-cache\r\n";
        if (response.status == 405) {
            reply += "Allow: GET, HEAD\r\n";
        }
        if (!response.location.empty()) {
            reply += "Location: " + response.location + "\r\n";
        }
        reply += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
        if (method != "HEAD") {
            reply += response.body;
        }
        if (!sendAll(fd, reply) || !keepAlive) {
            return;
        }
    }
}

class PosixServer final : public StaticServer {
  public:
    PosixServer(fs::path root, Fd listener, int port, Fd wakeRead, Fd wakeWrite)
        : root_(std::move(root)), listener_(std::move(listener)), port_(port),
          wakeRead_(std::move(wakeRead)), wakeWrite_(std::move(wakeWrite)) {}

    [[nodiscard]] int port() const override { return port_; }

    void run() override {
        for (;;) {
            std::array<pollfd, 2> waits{
                {{listener_.get(), POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}}};
            if (::poll(waits.data(), waits.size(), -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;
            }
            if (waits[1].revents != 0) {
                return;
            }
            const int client = ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                std::thread(serveConnection, Fd(client), root_).detach();
            }
        }
    }

    void stop() override { wake(wakeWrite_.get()); }

    [[nodiscard]] int wakeFd() const { return wakeWrite_.get(); }

    static void wake(int fd) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }

  private:
    fs::path root_;
    Fd listener_;
    int port_;
    Fd wakeRead_;
    Fd wakeWrite_;
};

volatile std::sig_atomic_t interruptFd = -1;

extern "C" void onInterrupt(int /*signal*/) {
    if (interruptFd >= 0) {
        PosixServer::wake(interruptFd);
    }
}

} // namespace

std::unique_ptr<StaticServer> StaticServer::open(fs::path folder, int firstPort,
                                                 std::string& problem) {
    std::error_code error;
    fs::path root = fs::canonical(folder, error);
    if (error) {
        problem = folder.string() + ": cannot be served (" + error.message() + ")";
        return nullptr;
    }
    std::array<int, 2> wake{};
    if (::pipe2(wake.data(), O_CLOEXEC) != 0) {
        problem = "cannot serve: no pipe to stop the server with";
        return nullptr;
    }
    Fd wakeRead(wake[0]);
    Fd wakeWrite(wake[1]);
    for (int port = firstPort; port < firstPort + portsTried && port < 65536; ++port) {
        Fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (listener.get() < 0) {
            problem = "cannot serve: no socket can be opened";
            return nullptr;
        }
        const int on = 1;
        ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
                0 &&
            ::listen(listener.get(), 64) == 0) {
            return std::make_unique<PosixServer>(std::move(root), std::move(listener), port,
                                                 std::move(wakeRead), std::move(wakeWrite));
        }
    }
    problem = "cannot serve: no free port on 127.0.0.1 from " + std::to_string(firstPort) + " to " +
              std::to_string(firstPort + portsTried - 1);
    return nullptr;
}

std::string serveFolder(const fs::path& folder, int firstPort,
                        const std::function<void(int port)>& listening) {
    std::string problem;
    const std::unique_ptr<StaticServer> server = StaticServer::open(folder, firstPort, problem);
    if (!server) {
        return problem;
    }
    interruptFd = static_cast<PosixServer&>(*server).wakeFd();
    struct sigaction stop {};
    stop.sa_handler = onInterrupt;
    sigemptyset(&stop.sa_mask);
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
    ::sigaction(SIGINT, &stop, &oldInt);
    ::sigaction(SIGTERM, &stop, &oldTerm);
    listening(server->port());
    server->run();
    ::sigaction(SIGINT, &oldInt, nullptr);
    ::sigaction(SIGTERM, &oldTerm, nullptr);
    interruptFd = -1;
    return {};
}

} // namespace Framework
