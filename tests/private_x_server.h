// Each X11 test program runs its own Xvfb: injected mouse and key events are
// global to a server, so they must never reach another test's windows or a
// developer's desktop. Register it with
//   ::testing::AddGlobalTestEnvironment(new PrivateXServer);
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

class PrivateXServer : public ::testing::Environment {
public:
    // Starts Xvfb, waits until it accepts clients and points DISPLAY at it.
    void SetUp() override;
    void TearDown() override;

private:
    pid_t server = -1;
};
