// quorvane-panel-shot: shows the panel as the program does at start-up and saves a PNG of its
// window. The panel file and the language files are taken from the program's directory.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFontInfo>
#include <QPixmap>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "core/QuorvaneV10.h"
#include "platform/PanelModel.h"
#include "platform/qt/view/QtPanelView.h"
#include "ui/MainPanel.h"

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "quorvane-panel-shot: %s\n", qPrintable(message));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvane-panel-shot"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Saves a PNG of the QUORVANE V1.0 panel window with one page in front."));
    parser.addHelpOption();
    const QCommandLineOption languageOption(
        QStringLiteral("language"),
        QStringLiteral("Apply language_<lang>.lwl (ger or eng); without it the panel shows the "
                       "texts of the panel file."),
        QStringLiteral("lang"));
    const QCommandLineOption pageOption(QStringLiteral("page"),
                                        QStringLiteral("Page in front: connection or parameter "
                                                       "(default parameter, as at start-up)."),
                                        QStringLiteral("page"), QStringLiteral("parameter"));
    const QCommandLineOption tcpOption(
        QStringLiteral("tcp"),
        QStringLiteral("Show the connection page's TCP/IP controls instead of the RS-232 ones."));
    const QCommandLineOption modeOption(
        QStringLiteral("mode"),
        QStringLiteral("Control mode value; the time knobs are usable unless it is 0 (STATIC)."),
        QStringLiteral("value"));
    const QCommandLineOption outputsOption(
        QStringLiteral("outputs"),
        QStringLiteral("Active outputs as a mask: 0x01 OUT 1 up to 0x10 OUT 5 on."),
        QStringLiteral("mask"));
    const QCommandLineOption statusOption(QStringLiteral("status"),
                                          QStringLiteral("Text to put into the status box."),
                                          QStringLiteral("text"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Print the font and resolution in use."));
    parser.addOptions({languageOption, pageOption, tcpOption, modeOption, outputsOption,
                       statusOption, verboseOption});
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("PNG file to write."));
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        return fail(QStringLiteral("give exactly one output file (see --help)"));
    }
    const QString output = positional.front();

    int pageIndex = qv::PARAMETER_PAGE_INDEX;
    const QString page = parser.value(pageOption);
    if (page == QLatin1String("connection")) {
        pageIndex = qv::CONNECTION_PAGE_INDEX;
    } else if (page != QLatin1String("parameter")) {
        return fail(QStringLiteral("unknown page \"%1\" (connection or parameter)").arg(page));
    }

    const QString language = parser.value(languageOption);
    if (parser.isSet(languageOption) && language != QLatin1String("ger") &&
        language != QLatin1String("eng")) {
        return fail(QStringLiteral("unknown language \"%1\" (ger or eng)").arg(language));
    }

    const QDir dir(QCoreApplication::applicationDirPath());
    qv::PanelModel model;
    const QString panelFile = dir.filePath(QString::fromUtf8(qv::kPanelFileName));
    const int main = model.loadPanel(0, panelFile.toStdString(), qv::MAINP);
    if (main < 0) {
        return fail(QStringLiteral("cannot load %1").arg(panelFile));
    }
    const int connection = model.tabPagePanel(main, qv::MAINP_TABMAIN1, qv::CONNECTION_PAGE_INDEX);

    // What start-up puts on the panel before it is shown: the title, the title text, the
    // hidden settings page and the combo box on the server-address field.
    model.setPanelTitle(main, qv::kPanelTitle);
    const int title = model.newTextMessage(main, 15, 20);
    model.setTextAppearance(main, title, qv::kTitleFont, 0xFFFFFF, 0x000000, 22);
    model.setTooltip(main, title, qv::kTitleTooltip);
    model.setText(main, title, qv::kPanelTitle);
    model.makeCombo(connection, qv::CONNP_STRING_IP_ADRESS);
    model.setComboFrameColor(connection, qv::CONNP_STRING_IP_ADRESS, 0xE0E0E0);
    model.setTabPageVisible(main, qv::MAINP_TABMAIN1, qv::SETTINGS_PAGE_INDEX, false);

    if (!language.isEmpty()) {
        const QString file = dir.filePath(QStringLiteral("language_%1.lwl").arg(language));
        if (model.localizePanel(main, file.toStdString()) != qv::PANEL_OK) {
            return fail(QStringLiteral("cannot apply %1").arg(file));
        }
        model.setValue(connection, qv::CONNP_EDIT_LANGUAGE,
                       language == QLatin1String("ger") ? 0 : 1);
    }

    if (parser.isSet(tcpOption)) {
        model.setValue(connection, qv::CONNP_EDIT_COM_PROTOCOL, 1);
        for (int control : {qv::CONNP_BUTTON_FIND_COM_PORTS, qv::CONNP_EDIT_COM_PORT,
                            qv::CONNP_EDIT_BAUDRATE, qv::CONNP_BUTTON_CHANGE_BAUDRATE}) {
            model.setVisible(connection, control, false);
        }
        model.setVisible(connection, qv::CONNP_STRING_IP_ADRESS, true);
        model.setComboVisible(connection, qv::CONNP_STRING_IP_ADRESS, true);
        model.setVisible(connection, qv::CONNP_STRING_PORT_NUMBER, true);
    }
    const int parameters = model.tabPagePanel(main, qv::MAINP_TABMAIN1, qv::PARAMETER_PAGE_INDEX);
    if (parser.isSet(modeOption)) {
        const int mode = parser.value(modeOption).toInt();
        if (model.setValue(parameters, qv::PARAP_EDIT_CTRL_MODE, mode) != qv::PANEL_OK) {
            return fail(QStringLiteral("no control mode %1").arg(mode));
        }
        for (int knob : {qv::PARAP_NUMKNOB_ON_TIME, qv::PARAP_NUMKNOB_OFF_TIME}) {
            model.setDimmed(parameters, knob, mode == 0);
        }
    }
    if (parser.isSet(outputsOption)) {
        bool ok = false;
        const int mask = parser.value(outputsOption).toInt(&ok, 0);
        if (!ok || mask < 0 || mask > 0x1F) {
            return fail(QStringLiteral("bad output mask \"%1\"").arg(parser.value(outputsOption)));
        }
        const int toggles[] = {qv::PARAP_TGBTN_OUT1, qv::PARAP_TGBTN_OUT2, qv::PARAP_TGBTN_OUT3,
                               qv::PARAP_TGBTN_OUT4, qv::PARAP_TGBTN_OUT5};
        for (int bit = 0; bit < 5; ++bit) {
            model.setValue(parameters, toggles[bit], (mask >> bit) & 1);
        }
    }
    if (parser.isSet(statusOption)) {
        model.setText(
            connection, qv::CONNP_TEXTBOX_STATUS,
            parser.value(statusOption).replace(QStringLiteral("\\n"), "\n").toStdString());
    }
    model.setActiveTabPage(main, qv::MAINP_TABMAIN1, pageIndex);

    qv::QtPanelView view(model);
    model.displayPanel(main);
    QWidget* window = view.window(main);
    if (window == nullptr) {
        return fail(QStringLiteral("the panel window did not appear"));
    }
    // The image is painted once the event loop has delivered what showing the window posted.
    // The window refuses to be closed (closing only asks the panel's callback), so the loop is
    // left with exit() rather than quit(), which would first try to close it.
    const bool verbose = parser.isSet(verboseOption);
    QTimer::singleShot(0, &app, [&] {
        if (verbose) {
            const QFontInfo font(QApplication::font());
            std::printf("font %s %gpt, %d dpi, window %dx%d", qPrintable(font.family()),
                        font.pointSizeF(), window->logicalDpiY(), window->width(),
                        window->height());
            if (const auto* tabs =
                    qobject_cast<QTabWidget*>(view.widget(main, qv::MAINP_TABMAIN1))) {
                std::printf(", page %dx%d", tabs->currentWidget()->width(),
                            tabs->currentWidget()->height());
            }
            std::printf("\n");
        }
        const QPixmap shot = window->grab();
        if (shot.isNull() || !shot.save(output, "PNG")) {
            QCoreApplication::exit(fail(QStringLiteral("cannot write %1").arg(output)));
            return;
        }
        QCoreApplication::exit(0);
    });
    return QApplication::exec();
}
