// The server that shows a published folder on this machine, asked as a browser (or a prober)
// would over a socket: files with their types, folders by their index, nothing outside the
// folder, and a clear answer to what it does not do.
#include "framework/static_server.hpp"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace {

using namespace Framework;
namespace fs = std::filesystem;

// Sends `request` on a fresh connection and reads until the server closes it.
std::string ask(int port, const std::string& request) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        char chunk[4096];
        for (ssize_t got; (got = ::recv(fd, chunk, sizeof chunk, 0)) > 0;) {
            answer.append(chunk, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return answer;
}

class Served : public testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::path(testing::TempDir()) / ("served-" + std::to_string(::getpid()));
        fs::create_directories(root_ / "site" / "sub");
        write("site/index.html", "<p>home</p>");
        write("site/gorubadon.wasm", std::string("\0asm", 4));
        write("site/with space.txt", "spaced");
        write("site/sub/index.html", "<p>sub</p>");
        write("secret.txt", "not served");
        fs::create_symlink(root_ / "secret.txt", root_ / "site" / "link.txt");
        std::string problem;
        server_ = StaticServer::open(root_ / "site", 8023, problem);
        ASSERT_NE(server_, nullptr) << problem;
        running_ = std::thread([this] { server_->run(); });
    }
    void TearDown() override {
        if (server_) {
            server_->stop();
            running_.join();
        }
        fs::remove_all(root_);
    }
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(root_ / name, std::ios::binary) << bytes;
    }

    fs::path root_;
    std::unique_ptr<StaticServer> server_;
    std::thread running_;
};

struct RequestCase {
    const char* request; // its first line
    const char* status;
    const char* type; // the Content-Type, or a header line that must be there
    const char* body; // exactly, after the headers
};

TEST_F(Served, AnswersEachRequestAsABrowserNeeds) {
    const RequestCase cases[] = {
        {"GET / HTTP/1.1", "200 OK", "Content-Type: text/html; charset=utf-8", "<p>home</p>"},
        {"GET /index.html?v=2#top HTTP/1.1", "200 OK", "Content-Type: text/html; charset=utf-8",
         "<p>home</p>"},
        {"HEAD /gorubadon.wasm HTTP/1.1", "200 OK", "Content-Type: application/wasm", ""},
        {"GET /with%20space.txt HTTP/1.0", "200 OK", "Content-Type: text/plain; charset=utf-8",
         "spaced"},
        {"GET /sub HTTP/1.1", "301 Moved Permanently", "Location: /sub/",
         "301 Moved Permanently\n"},
        {"GET /sub/ HTTP/1.1", "200 OK", "Content-Type: text/html; charset=utf-8", "<p>sub</p>"},
        {"GET /../secret.txt HTTP/1.1", "404 Not Found", "Content-Length: 14", "404 Not Found\n"},
        {"GET /%2e%2e/secret.txt HTTP/1.1", "404 Not Found", "", "404 Not Found\n"},
        {"GET /sub/../../secret.txt HTTP/1.1", "404 Not Found", "", "404 Not Found\n"},
        {"GET /link.txt HTTP/1.1", "404 Not Found", "", "404 Not Found\n"},
        {"GET /missing.js HTTP/1.1", "404 Not Found", "", "404 Not Found\n"},
        {"POST / HTTP/1.1", "405 Method Not Allowed", "Allow: GET, HEAD",
         "405 Method Not Allowed\n"},
        {"GET index.html HTTP/1.1", "400 Bad Request", "", "400 Bad Request\n"},
        {"GET /%zz HTTP/1.1", "400 Bad Request", "", "400 Bad Request\n"},
        {"GET /a%00b HTTP/1.1", "400 Bad Request", "", "400 Bad Request\n"},
        {"hello", "400 Bad Request", "", "400 Bad Request\n"},
    };
    for (const RequestCase& c : cases) {
        const std::string answer = ask(
            server_->port(), std::string(c.request) + "\r\nHost: x\r\nConnection: close\r\n\r\n");
        const std::size_t end = answer.find("\r\n\r\n");
        ASSERT_NE(end, std::string::npos) << c.request << ": " << answer;
        const std::string head = answer.substr(0, end + 2);
        EXPECT_EQ(head.substr(0, head.find("\r\n")), std::string("HTTP/1.1 ") + c.status)
            << c.request;
        EXPECT_NE(head.find(std::string(c.type) + "\r\n"), std::string::npos)
            << c.request << ": " << head;
        EXPECT_EQ(answer.substr(end + 4), c.body) << c.request;
    }
}

TEST_F(Served, KeepsAConnectionForTheNextRequestAndTakesTheNextFreePort) {
    const std::string two = ask(server_->port(), "GET / HTTP/1.1\r\nHost: x\r\n\r\n"
                                                 "GET /sub/ HTTP/1.1\r\nConnection: close\r\n\r\n");
    EXPECT_NE(two.find("Connection: keep-alive\r\n\r\n<p>home</p>HTTP/1.1 200 OK"),
              std::string::npos)
        << two;
    EXPECT_EQ(two.substr(two.size() - 10), "<p>sub</p>");

    std::string problem;
    const std::unique_ptr<StaticServer> second = StaticServer::open(root_ / "site", 8023, problem);
    ASSERT_NE(second, nullptr) << problem;
    EXPECT_GT(second->port(), server_->port());
}

} // namespace
