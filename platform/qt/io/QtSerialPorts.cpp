#include "platform/qt/io/QtSerialPorts.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <set>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#endif

namespace qv {

namespace {

constexpr double kDefaultTimeoutSeconds = 2.0;

struct DefaultRange {
    int first;
    const char* prefix;
};
// Numbers first..first+31 stand for prefix0..prefix31 when no ports/ entry says otherwise.
constexpr DefaultRange kDefaultRanges[] = {
    {1, "/dev/ttyS"},
    {33, "/dev/ttyUSB"},
    {65, "/dev/ttyACM"},
};
constexpr int kDevicesPerRange = 32;

QDeadlineTimer deadlineAfter(double seconds) {
    const double ns = std::max(0.0, seconds) * 1e9;
    return QDeadlineTimer(std::chrono::nanoseconds(ns >= 9.0e18 ? static_cast<std::int64_t>(9.0e18)
                                                                : static_cast<std::int64_t>(ns)));
}

double secondsLeft(const QDeadlineTimer& deadline) {
    return static_cast<double>(deadline.remainingTimeNSecs()) / 1e9;
}

int openError(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return SERIAL_NO_PORT_FOUND;
        // A device node without hardware behind it fails with an I/O error on open.
        case QSerialPort::ResourceError:
            return SERIAL_NO_PORT_FOUND;
        // Busy (held by another program, or its lock file is taken) or not permitted.
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError:
        // The device is there but is no serial port (its terminal settings cannot be set).
        case QSerialPort::UnsupportedOperationError:
            return SERIAL_CANNOT_OPEN;
        default:
            return SERIAL_UNKNOWN_SYSTEM_ERROR;
    }
}

#ifndef Q_OS_WIN
// The port number that a default device path stands for, or 0.
int defaultNumberOf(const QString& device) {
    for (const DefaultRange& range : kDefaultRanges) {
        const QString prefix = QString::fromLatin1(range.prefix);
        if (!device.startsWith(prefix)) {
            continue;
        }
        const QString index = device.mid(prefix.size());
        static const QRegularExpression digits(QStringLiteral("^(0|[1-9][0-9]?)$"));
        if (!digits.match(index).hasMatch()) {
            continue;
        }
        const int k = index.toInt();
        if (k < kDevicesPerRange) {
            return range.first + k;
        }
    }
    return 0;
}
#endif

}  // namespace

struct QtSerialPorts::Port {
    std::unique_ptr<QSerialPort> serial;
    std::uint64_t id = 0;
    double timeout = kDefaultTimeoutSeconds;
    int status = 0;
    bool lost = false;
};

QtSerialPorts::QtSerialPorts(EventLoop& events, std::string programDir)
    : events_(events), programDir_(std::move(programDir)) {}

QtSerialPorts::~QtSerialPorts() = default;

std::string QtSerialPorts::devicePath(int port) const {
    if (port < 1) {
        return {};
    }
#ifdef Q_OS_WIN
    return "COM" + std::to_string(port);
#else
    const QString portsDir = QString::fromStdString(programDir_) + QStringLiteral("/ports");
    const QFileInfo entry(portsDir + QStringLiteral("/COM") + QString::number(port));
    if (entry.isSymLink()) {
        // The canonical path keeps two names of one device on one lock file; a dangling link
        // still names its target so that the open reports the device as missing.
        const QString target = entry.canonicalFilePath();
        return (target.isEmpty() ? entry.symLinkTarget() : target).toStdString();
    }
    if (entry.isFile()) {
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            return {};
        }
        const QString named = QString::fromLocal8Bit(file.readLine(4096)).trimmed();
        if (named.isEmpty()) {
            return {};
        }
        const QFileInfo device(QDir(portsDir), named);
        const QString canonical = device.canonicalFilePath();
        return (canonical.isEmpty() ? device.absoluteFilePath() : canonical).toStdString();
    }
    for (const DefaultRange& range : kDefaultRanges) {
        if (port >= range.first && port < range.first + kDevicesPerRange) {
            return range.prefix + std::to_string(port - range.first);
        }
    }
    return {};
#endif
}

QtSerialPorts::Port* QtSerialPorts::usable(int port) {
    const auto it = ports_.find(port);
    if (it == ports_.end() || it->second->lost || !it->second->serial->isOpen()) {
        return nullptr;
    }
    return it->second.get();
}

void QtSerialPorts::onError(int port, std::uint64_t id, int error) {
    const auto it = ports_.find(port);
    if (it == ports_.end() || it->second->id != id) {
        return;
    }
    Port& p = *it->second;
    switch (static_cast<QSerialPort::SerialPortError>(error)) {
        case QSerialPort::NoError:
        case QSerialPort::TimeoutError:
        case QSerialPort::NotOpenError:
        case QSerialPort::UnsupportedOperationError:
            return;
        case QSerialPort::WriteError:
            p.status |= SERIAL_STATUS_WRITE_ERROR;
            return;
        // A hung-up terminal (a closed pseudo-terminal, a USB adapter pulled) reads as end of
        // file, which QSerialPort reports as a read error on every notification after that;
        // left open, the port would wake the event loop without pause.
        case QSerialPort::ReadError:
            p.status |= SERIAL_STATUS_READ_ERROR;
            [[fallthrough]];
        case QSerialPort::ResourceError:
            p.status |= SERIAL_STATUS_DEVICE_LOST;
            if (!p.lost) {
                p.lost = true;
                // Not closed here: this runs inside QSerialPort's own notification handler.
                QSerialPort* serial = p.serial.get();
                QMetaObject::invokeMethod(
                    serial, [serial] { serial->close(); }, Qt::QueuedConnection);
            }
            return;
        default:
            p.status |= SERIAL_STATUS_OTHER_ERROR;
            return;
    }
}

int QtSerialPorts::openComConfig(int port, const std::string& deviceName, long baudRate, int parity,
                                 int dataBits, int stopBits, int /*inputQueueSize*/,
                                 int /*outputQueueSize*/) {
    // QSerialPort's buffers grow as needed, so the queue sizes need no setting.
    closeCom(port);
    const std::string device = deviceName.empty() ? devicePath(port) : deviceName;
    if (device.empty()) {
        return SERIAL_INVALID_PORT;
    }
    if (baudRate <= 0 || baudRate > INT_MAX) {
        return SERIAL_INVALID_BAUD;
    }
    QSerialPort::Parity qtParity;
    switch (parity) {
        case PARITY_NONE:
            qtParity = QSerialPort::NoParity;
            break;
        case PARITY_ODD:
            qtParity = QSerialPort::OddParity;
            break;
        case PARITY_EVEN:
            qtParity = QSerialPort::EvenParity;
            break;
        default:
            return SERIAL_CANNOT_OPEN;
    }
    if (dataBits < 5 || dataBits > 8 || (stopBits != 1 && stopBits != 2)) {
        return SERIAL_CANNOT_OPEN;
    }

    auto serial = std::make_unique<QSerialPort>();
    serial->setPortName(QString::fromStdString(device));
    if (!serial->open(QIODevice::ReadWrite)) {
        return openError(serial->error());
    }
    if (!serial->setBaudRate(static_cast<qint32>(baudRate))) {
        return SERIAL_INVALID_BAUD;
    }
    if (!serial->setDataBits(static_cast<QSerialPort::DataBits>(dataBits)) ||
        !serial->setParity(qtParity) ||
        !serial->setStopBits(stopBits == 1 ? QSerialPort::OneStop : QSerialPort::TwoStop) ||
        !serial->setFlowControl(QSerialPort::NoFlowControl)) {
        return SERIAL_CANNOT_OPEN;
    }

    auto entry = std::make_unique<Port>();
    entry->id = nextId_++;
    const std::uint64_t id = entry->id;
    QObject::connect(serial.get(), &QSerialPort::errorOccurred, serial.get(),
                     [this, port, id](QSerialPort::SerialPortError error) {
                         onError(port, id, static_cast<int>(error));
                     });
    entry->serial = std::move(serial);
    ports_[port] = std::move(entry);
    return 0;
}

int QtSerialPorts::setComTime(int port, double seconds) {
    Port* p = usable(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    if (!(seconds >= 0.0)) {
        return SERIAL_UNKNOWN_SYSTEM_ERROR;
    }
    p->timeout = seconds;
    return 0;
}

int QtSerialPorts::flushInQ(int port) {
    Port* p = usable(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    // Drops both what Qt has read already and what the driver still holds.
    return p->serial->clear(QSerialPort::Input) ? 0 : SERIAL_IO_ERROR;
}

int QtSerialPorts::flushOutQ(int port) {
    Port* p = usable(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    return p->serial->clear(QSerialPort::Output) ? 0 : SERIAL_IO_ERROR;
}

int QtSerialPorts::setCTSMode(int port, int mode) {
    Port* p = usable(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    const bool ok = p->serial->setFlowControl(mode == 0 ? QSerialPort::NoFlowControl
                                                        : QSerialPort::HardwareControl);
    return ok ? 0 : SERIAL_UNKNOWN_SYSTEM_ERROR;
}

int QtSerialPorts::closeCom(int port) {
    // Erasing destroys the QSerialPort, which closes it; a port that is not open is no error.
    ports_.erase(port);
    return 0;
}

int QtSerialPorts::comWrt(int port, const std::uint8_t* data, int count) {
    Port* p = usable(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    if (count < 0 || (count > 0 && data == nullptr)) {
        return SERIAL_UNKNOWN_SYSTEM_ERROR;
    }
    if (count == 0) {
        return 0;
    }
    if (p->serial->write(reinterpret_cast<const char*>(data), count) != count) {
        return SERIAL_IO_ERROR;
    }
    // QSerialPort hands the bytes to the driver from the event loop; waiting for that here
    // means a close right after the write cannot drop them.
    const std::uint64_t id = p->id;
    const QDeadlineTimer deadline = deadlineAfter(p->timeout);
    while (p->serial->bytesToWrite() > 0) {
        if (deadline.hasExpired()) {
            return SERIAL_TIMEOUT;
        }
        events_.waitForEvents(secondsLeft(deadline));
        // Anything may have run meanwhile, closing or reopening this port included.
        p = usable(port);
        if (p == nullptr || p->id != id) {
            return SERIAL_IO_ERROR;
        }
    }
    return count;
}

int QtSerialPorts::comRd(int port, std::uint8_t* buffer, int count) {
    Port* p = usable(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    if (count < 0 || (count > 0 && buffer == nullptr)) {
        return SERIAL_UNKNOWN_SYSTEM_ERROR;
    }
    if (count == 0) {
        return 0;
    }
    const std::uint64_t id = p->id;
    const QDeadlineTimer deadline = deadlineAfter(p->timeout);
    while (p->serial->bytesAvailable() < count && !deadline.hasExpired()) {
        events_.waitForEvents(secondsLeft(deadline));
        const auto it = ports_.find(port);
        if (it == ports_.end() || it->second->id != id || !it->second->serial->isOpen()) {
            return SERIAL_PORT_NOT_OPEN;
        }
        p = it->second.get();
        // A lost device sends nothing more; hand over what came before it went.
        if (p->lost) {
            break;
        }
    }
    const qint64 n = p->serial->read(reinterpret_cast<char*>(buffer), count);
    return n < 0 ? SERIAL_IO_ERROR : static_cast<int>(n);
}

int QtSerialPorts::getInQLen(int port) {
    Port* p = usable(port);
    if (p == nullptr) {
        return SERIAL_PORT_NOT_OPEN;
    }
    qint64 n = p->serial->bytesAvailable();
#ifdef Q_OS_UNIX
    // Bytes the driver holds but Qt has not fetched yet (its read notification is still
    // pending) are in the queue as well.
    int pending = 0;
    if (::ioctl(static_cast<int>(p->serial->handle()), FIONREAD, &pending) == 0 && pending > 0) {
        n += pending;
    }
#endif
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

int QtSerialPorts::getComStat(int port) {
    const auto it = ports_.find(port);
    if (it == ports_.end()) {
        return SERIAL_PORT_NOT_OPEN;
    }
    Port& p = *it->second;
    if (p.status != 0) {
        return std::exchange(p.status, 0);
    }
    return (p.lost || !p.serial->isOpen()) ? SERIAL_PORT_NOT_OPEN : 0;
}

int QtSerialPorts::locateCom(std::vector<int>& ports, int capacity) {
    ports.clear();
    if (capacity <= 0) {
        return 0;
    }
    std::set<int> found;
#ifdef Q_OS_WIN
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        static const QRegularExpression name(QStringLiteral("^COM([1-9][0-9]*)$"));
        const QRegularExpressionMatch m = name.match(info.portName());
        if (m.hasMatch()) {
            found.insert(m.captured(1).toInt());
        }
    }
#else
    const QDir portsDir(QString::fromStdString(programDir_) + QStringLiteral("/ports"));
    std::set<int> bound;
    static const QRegularExpression entryName(QStringLiteral("^COM([1-9][0-9]{0,8})$"));
    // System: links to character devices and dangling links are neither files nor dirs.
    for (const QString& name :
         portsDir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = entryName.match(name);
        if (!m.hasMatch()) {
            continue;
        }
        const int n = m.captured(1).toInt();
        bound.insert(n);
        const std::string device = devicePath(n);
        if (!device.empty() && QFileInfo::exists(QString::fromStdString(device))) {
            found.insert(n);
        }
    }
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const int n = defaultNumberOf(info.systemLocation());
        // An entry in ports/ takes its number away from the default device.
        if (n > 0 && bound.count(n) == 0) {
            found.insert(n);
        }
    }
#endif
    for (int n : found) {
        if (static_cast<int>(ports.size()) >= capacity) {
            break;
        }
        ports.push_back(n);
    }
    return static_cast<int>(ports.size());
}

}  // namespace qv
