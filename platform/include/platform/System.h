#pragma once

#include <string>

namespace qv {

class System {
  public:
    virtual ~System() = default;

    // The directory that holds the executable, without a trailing separator.
    virtual std::string projectDir() = 0;
    virtual bool fileExists(const std::string& path) = 0;
};

}  // namespace qv
