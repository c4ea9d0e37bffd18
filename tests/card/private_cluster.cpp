#include "private_cluster.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace cardtest {

namespace {

// A port no one listens on at the moment.
int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    close(fd);
    if (!ok) throw std::runtime_error("no free port");
    return ntohs(address.sin_port);
}

}  // namespace

PrivateCluster::PrivateCluster(const std::string& dir) : dir_(dir) {
    const char* source = std::getenv("QX_SOURCE_DIR");
    if (!source) throw std::runtime_error("QX_SOURCE_DIR is not set");
    script_ = std::string(source) + "/tools/testdb.sh";
    run("start", std::to_string(freePort()));
    setenv("ODBCINI", (dir_ + "/odbc.ini").c_str(), 1);
}

PrivateCluster::~PrivateCluster() {
    try {
        run("stop");
    } catch (...) {
    }
}

void PrivateCluster::halt() { run("halt"); }
void PrivateCluster::resume() { run("resume"); }

void PrivateCluster::run(const std::string& command, const std::string& arguments) {
    const std::string line = "'" + script_ + "' " + command + " '" + dir_ + "' " + arguments + " >/dev/null";
    if (std::system(line.c_str()) != 0) throw std::runtime_error("failed: " + line);
}

}  // namespace cardtest
