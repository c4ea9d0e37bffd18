// A PostgreSQL cluster of one test program's own (tools/testdb.sh), for tests
// that stop the server or read its statement log: nobody else's statements
// reach it and nobody else sees it go down. Native builds only.
#pragma once

#include <string>

namespace cardtest {

class PrivateCluster {
public:
    // Starts a cluster in `dir` on a free port and points ODBCINI at its data
    // sources.
    explicit PrivateCluster(const std::string& dir);
    ~PrivateCluster();
    PrivateCluster(const PrivateCluster&) = delete;
    PrivateCluster& operator=(const PrivateCluster&) = delete;

    void halt();
    void resume();
    // The server's log, to which every statement is written.
    std::string logPath() const { return dir_ + "/server.log"; }

private:
    void run(const std::string& command, const std::string& arguments = {});

    std::string script_;
    std::string dir_;
};

}  // namespace cardtest
