#pragma once

#include <string>

#include "platform/System.h"

namespace qv {

class QtSystem : public System {
  public:
    // QCoreApplication::applicationDirPath; needs the application object.
    std::string projectDir() override;
    // True for an existing regular file (also through a symbolic link); false for directories.
    bool fileExists(const std::string& path) override;
};

}  // namespace qv
