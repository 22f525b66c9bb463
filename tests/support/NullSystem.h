#pragma once

// The program directory and file existence, without touching the disk: projectDir() returns
// what setProjectDir set (default "testdir"), fileExists is true for the paths added with
// addFile.

#include <set>
#include <string>

#include "platform/System.h"

namespace qv::test {

class NullSystem : public System {
  public:
    void setProjectDir(std::string dir) { projectDir_ = std::move(dir); }
    void addFile(const std::string& path) { files_.insert(path); }
    void removeFile(const std::string& path) { files_.erase(path); }

    std::string projectDir() override { return projectDir_; }
    bool fileExists(const std::string& path) override { return files_.count(path) > 0; }

  private:
    std::string projectDir_ = "testdir";
    std::set<std::string> files_;
};

}  // namespace qv::test
