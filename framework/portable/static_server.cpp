// Without POSIX sockets there is nothing to serve with: the folder is served by any web server.
#include "framework/static_server.hpp"

namespace Framework {

std::unique_ptr<StaticServer> StaticServer::open(std::filesystem::path /*folder*/,
                                                 int /*firstPort*/, std::string& problem) {
    problem = "this build cannot serve a folder; serve it with any web server";
    return nullptr;
}

std::string serveFolder(const std::filesystem::path& folder, int firstPort,
                        const std::function<void(int port)>& /*listening*/) {
    std::string problem;
    const std::unique_ptr<StaticServer> server = StaticServer::open(folder, firstPort, problem);
    return problem;
}

} // namespace Framework
