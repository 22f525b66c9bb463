#pragma once

// The simulated sensor as a child process of a test or benchmark on real links. Qt, unlike
// the simulator itself.

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace qvsim {

class SimulatedSensor {
  public:
    // Starts quorvane-sensor-sim from the directory of the running program with `arguments`
    // (links, sensor contents, faults) and a request log of its own, and waits until it
    // listens. started() tells whether it came up; failure() why not.
    explicit SimulatedSensor(const QStringList& arguments);
    // Ends it with SIGTERM, as an operator's Ctrl+C would.
    ~SimulatedSensor();
    SimulatedSensor(const SimulatedSensor&) = delete;
    SimulatedSensor& operator=(const SimulatedSensor&) = delete;

    bool started() const { return started_; }
    const std::string& failure() const { return failure_; }
    // The TCP port it listens on (0: none) and the link to its pseudo-terminal (empty: none).
    int tcpPort() const { return tcpPort_; }
    const std::string& ptyPath() const { return ptyPath_; }
    // The requests it has received so far, one per entry, as upper-case hex bytes
    // ("55 07 00 00 00 00 AA 52").
    std::vector<std::string> requests() const;

  private:
    QTemporaryDir dir_;
    QProcess process_;
    bool started_ = false;
    std::string failure_;
    int tcpPort_ = 0;
    std::string ptyPath_;
};

}  // namespace qvsim
