#include <QApplication>

#include "core/Context.h"
#include "platform/PanelModel.h"
#include "platform/qt/io/QtEventLoop.h"
#include "platform/qt/io/QtSerialPorts.h"
#include "platform/qt/io/QtSystem.h"
#include "platform/qt/io/QtTcpClient.h"
#include "platform/qt/view/QtPanelView.h"
#include "platform/qt/view/QtPopups.h"
#include "ui/Shell.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvane-panel"));

    qv::QtEventLoop events;
    qv::QtSystem system;
    qv::QtSerialPorts serial(events, system.projectDir());
    qv::QtTcpClient tcp(events);
    qv::PanelModel ui;
    qv::QtPopups popups;
    // The view watches the model from the start, so the window appears as the panel is shown.
    qv::QtPanelView view(ui);

    qv::Context ctx(qv::Platform{ui, popups, events, events, serial, tcp, system});
    if (qv::StartPanel(ctx) < 0) {
        return -1;
    }
    ctx.events.runUserInterface();
    qv::ShutDownPanel(ctx);
    return 0;
}
