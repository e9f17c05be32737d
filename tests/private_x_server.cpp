#include "private_x_server.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

// The server writes its display number here once it is ready for clients.
std::string readDisplayNumber(int fd) {
    std::string number;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n') number += c;
    return number;
}

}  // namespace

void PrivateXServer::SetUp() {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    server = fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        // The server goes with the test program, even when that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(ready[0]);
        std::string fd = std::to_string(ready[1]);
        freopen("/dev/null", "w", stderr);
        // -noreset: without it the server restarts whenever the last client
        // leaves, and a test connecting at that moment is refused.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1800x700x24",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    std::string number = readDisplayNumber(ready[0]);
    close(ready[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not start (./run installs it)";
    setenv("DISPLAY", (":" + number).c_str(), 1);
}

void PrivateXServer::TearDown() {
    if (server <= 0) return;
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
}
