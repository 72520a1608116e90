// An X server of our own (Xvfb) for machines without a display.
#pragma once

#include "ChildProcess.h"

#include <string>

class VirtualDisplay {
public:
    // Screen of the server: the 800x600 window must fit on it.
    static constexpr const char* kScreen = "1024x768x24";
    // Set in the server's environment to our pid, so a test can tell our server from others.
    static constexpr const char* kOwnerVariable = "QUORVANE_CAPTURE_OWNER";

    VirtualDisplay() = default;
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    ~VirtualDisplay() { stop(); }

    // Starts Xvfb on a display number it finds free, waits until it accepts clients and
    // points DISPLAY at it. Returns false with the reason in *error.
    bool start(std::string* error);

    // Ends the server and waits for it; safe to call twice.
    void stop();

    const std::string& name() const { return displayName; }

private:
    ChildProcess server;
    std::string displayName;
};
