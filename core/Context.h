#pragma once

#include "core/QuorvaneV10.h"
#include "core/State.h"
#include "platform/EventLoop.h"
#include "platform/PanelModel.h"
#include "platform/Popups.h"
#include "platform/SerialPorts.h"
#include "platform/System.h"
#include "platform/TcpClient.h"

namespace qv {

// The platform services the system runs on.
struct Platform {
    PanelModel& ui;
    Popups& popups;
    EventLoop& events;
    Clock& clock;
    SerialPorts& serial;
    TcpClient& tcp;
    System& system;
};

// Everything that exists once per run. main creates one; tests create a fresh one per test.
struct Context {
    explicit Context(const Platform& platform)
        : ui(platform.ui),
          popups(platform.popups),
          events(platform.events),
          clock(platform.clock),
          serial(platform.serial),
          tcp(platform.tcp),
          system(platform.system) {}

    PanelModel& ui;
    Popups& popups;
    EventLoop& events;
    Clock& clock;
    SerialPorts& serial;
    TcpClient& tcp;
    System& system;

    AppState app;
    LinkSettings linkSettings;
    LinkState link;
    ProtocolState proto;
    ParameterSet parameterSet;

    const char* text(const BilingualText& t) const { return t.in(app.language); }
};

}  // namespace qv
