#pragma once

// A Context on fakes with the real panel model, for tests of the system's own code.
//
// TestPanel owns a FakeClock, a FakeEventLoop, ScriptedPopups, InMemorySerialPorts,
// InMemoryTcpClient, a NullSystem and a real PanelModel with the panel file loaded from the
// build's resource directory; ctx is the Context on all of them, with ctx.app.mainPanel,
// ctx.app.connectionPage (tab page 0) and ctx.app.parameterPage (tab page 1) filled. Nothing
// else of start-up has run: the main panel is not displayed, no callbacks are bound, the
// language is the AppState default.
//
// PanelTest is the GoogleTest fixture around it; its SetUp fails the test when the panel file
// did not load.

#include <gtest/gtest.h>

#include <string>

#include "core/Context.h"
#include "platform/PanelModel.h"
#include "support/FakeEventLoop.h"
#include "support/InMemorySerialPorts.h"
#include "support/InMemoryTcpClient.h"
#include "support/NullSystem.h"
#include "support/ScriptedPopups.h"

namespace qv::test {

// A file that the build copies beside the program (panel file, language files).
std::string resourcePath(const std::string& fileName);

// Loads the panel file into ctx.ui and fills ctx.app.mainPanel and the two page handles.
bool loadMainPanel(Context& ctx);

struct TestPanel {
    TestPanel();

    bool loaded() const {
        return ctx.app.mainPanel > 0 && ctx.app.connectionPage > 0 && ctx.app.parameterPage > 0;
    }
    std::string statusBox() const;
    int activePage() const;  // the active tab page index of MAINP_TABMAIN1
    bool dimmed(int panel, int control) const { return ui.dimmed(panel, control); }

    FakeClock clock;
    FakeEventLoop events{clock};
    ScriptedPopups popups;
    InMemorySerialPorts serial{events};
    InMemoryTcpClient tcp{events};
    NullSystem system;
    PanelModel ui;
    Context ctx{Platform{ui, popups, events, clock, serial, tcp, system}};
};

class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(panel.loaded()) << "panel file not loaded: " << resourcePath("QuorvaneV10.uir");
    }

    TestPanel panel;
    Context& ctx = panel.ctx;
};

}  // namespace qv::test
