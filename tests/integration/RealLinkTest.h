#pragma once

// The system on the real Qt platform (event loop, serial ports, TCP) with the panel model
// loaded, talking to the simulated sensor.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "core/Context.h"
#include "launcher/SimulatedSensor.h"
#include "link/SerialLink.h"
#include "link/TcpLink.h"
#include "platform/PanelModel.h"
#include "platform/qt/io/QtEventLoop.h"
#include "platform/qt/io/QtSerialPorts.h"
#include "platform/qt/io/QtTcpClient.h"
#include "support/LinkReports.h"
#include "support/NullSystem.h"
#include "support/ScriptedPopups.h"
#include "support/TestPanel.h"

namespace qv::test {

using qvsim::SimulatedSensor;

inline constexpr int kSimPortNumber = 7;

inline const char* linkName(LinkProtocol link) {
    return link == LINK_TCPIP ? "Tcp" : "Pty";
}

class RealLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(programDir.isValid());
        ASSERT_TRUE(loadMainPanel(ctx)) << resourcePath("QuorvaneV10.uir");
        ctx.app.language = LANGUAGE_ENGLISH;
    }

    // Starts the simulator with `arguments` on the given link and opens that link to it, as a
    // connection attempt does. The link then counts as working, on the parameter page.
    void connectTo(LinkProtocol link, QStringList arguments = {}) {
        if (link == LINK_TCPIP) {
            arguments << "--tcp"
                      << "0";
        } else {
            arguments << "--pty" << programDir.filePath("sensor-pty");
        }
        sensor = std::make_unique<SimulatedSensor>(arguments);
        ASSERT_TRUE(sensor->started()) << sensor->failure();
        ctx.linkSettings.protocol = link;
        if (link == LINK_TCPIP) {
            ctx.linkSettings.serverName = "127.0.0.1";
            ctx.linkSettings.tcpPort = sensor->tcpPort();
            InitTCP_IP(ctx);
        } else {
            // The panel reaches the pseudo-terminal by number, through the program's ports/.
            ASSERT_TRUE(QDir(programDir.path()).mkpath("ports"));
            ASSERT_TRUE(QFile::link(QString::fromStdString(sensor->ptyPath()),
                                    programDir.filePath("ports/COM7")));
            ctx.linkSettings.comPort = kSimPortNumber;
            InitRS232(ctx);
        }
        ASSERT_GE(ctx.link.LinkOpenResult, 0) << statusBox();
        makeLinkWork(ctx);
    }

    // Lets the event loop run for `seconds`, as the panel does between callbacks.
    void runEvents(double seconds) {
        const double end = events.timer() + seconds;
        while (events.timer() < end) {
            events.waitForEvents(end - events.timer());
        }
    }

    std::string statusBox() const { return ui.text(ctx.app.connectionPage, CONNP_TEXTBOX_STATUS); }
    int activePage() const { return ui.activeTabPage(ctx.app.mainPanel, MAINP_TABMAIN1); }

    QTemporaryDir programDir;
    QtEventLoop events;
    QtSerialPorts serial{events, programDir.path().toStdString()};
    QtTcpClient tcp{events};
    PanelModel ui;
    ScriptedPopups popups;
    NullSystem system;
    Context ctx{Platform{ui, popups, events, events, serial, tcp, system}};
    std::unique_ptr<SimulatedSensor> sensor;
};

}  // namespace qv::test
