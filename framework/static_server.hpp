// A small web server for trying a folder of static files on this machine: HTTP/1.1 GET and HEAD
// on 127.0.0.1 only, each file with the type a browser needs (a page's WebAssembly is compiled
// only when sent as application/wasm), nothing outside the folder. CMake builds one platform file
// to give it (posix/static_server.cpp, portable/static_server.cpp).
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace Framework {

// The Content-Type sent for a file of this name.
[[nodiscard]] std::string_view contentType(std::string_view fileName);

class StaticServer {
  public:
    // Listens on the first free port of firstPort and the 99 after it; null with `problem` set
    // when none is free or the system has no sockets.
    static std::unique_ptr<StaticServer> open(std::filesystem::path folder, int firstPort,
                                              std::string& problem);
    virtual ~StaticServer() = default;
    StaticServer(const StaticServer&) = delete;
    StaticServer& operator=(const StaticServer&) = delete;

    [[nodiscard]] virtual int port() const = 0;
    // Answers requests until stop(), from any thread or a signal handler's thread.
    virtual void run() = 0;
    virtual void stop() = 0;

  protected:
    StaticServer() = default;
};

// Serves the folder until the program is interrupted (SIGINT or SIGTERM), telling `listening` the
// port first. Empty once interrupted, else why it could not serve.
[[nodiscard]] std::string serveFolder(const std::filesystem::path& folder, int firstPort,
                                      const std::function<void(int port)>& listening);

} // namespace Framework
