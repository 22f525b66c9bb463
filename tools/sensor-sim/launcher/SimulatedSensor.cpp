#include "launcher/SimulatedSensor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

namespace qvsim {

namespace {
constexpr int kStartLimitMs = 10000;
}

SimulatedSensor::SimulatedSensor(const QStringList& arguments) {
    if (!dir_.isValid()) {
        failure_ = "no temporary directory";
        return;
    }
    const QString program = QCoreApplication::applicationDirPath() + "/quorvane-sensor-sim";
    QStringList all = arguments;
    all << "--log" << dir_.filePath("requests.log");
    process_.setProgram(program);
    process_.setArguments(all);
    // Its own notes on stderr go where the test's output goes.
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start();
    if (!process_.waitForStarted(kStartLimitMs)) {
        failure_ =
            "cannot start " + program.toStdString() + ": " + process_.errorString().toStdString();
        return;
    }
    const QDeadlineTimer deadline(kStartLimitMs);
    QByteArray out;
    while (!out.contains('\n')) {
        if (deadline.hasExpired() || process_.state() != QProcess::Running) {
            failure_ =
                "the simulator did not say where it listens; it printed: " + out.toStdString();
            return;
        }
        process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        out += process_.readAllStandardOutput();
    }
    const QString line = QString::fromLocal8Bit(out.left(out.indexOf('\n')));
    static const QRegularExpression tcp(QStringLiteral("\\btcp=(\\d+)"));
    static const QRegularExpression pty(QStringLiteral("\\bpty=(\\S+)"));
    if (!line.startsWith(QStringLiteral("listening"))) {
        failure_ = "unexpected first line: " + line.toStdString();
        return;
    }
    const auto tcpMatch = tcp.match(line);
    const auto ptyMatch = pty.match(line);
    tcpPort_ = tcpMatch.hasMatch() ? tcpMatch.captured(1).toInt() : 0;
    ptyPath_ = ptyMatch.hasMatch() ? ptyMatch.captured(1).toStdString() : std::string();
    started_ = true;
}

SimulatedSensor::~SimulatedSensor() {
    if (process_.state() == QProcess::NotRunning) {
        return;
    }
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

std::vector<std::string> SimulatedSensor::requests() const {
    std::vector<std::string> lines;
    QFile log(dir_.filePath("requests.log"));
    if (!log.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return lines;
    }
    while (!log.atEnd()) {
        QByteArray line = log.readLine().trimmed();
        if (line.startsWith("rx ")) {
            lines.push_back(line.mid(3).toStdString());
        }
    }
    return lines;
}

}  // namespace qvsim
