#pragma once

#include "platform/Popups.h"

namespace qv {

// Modal pop-ups with Qt's message boxes and file dialog. Each opens over the window that is
// active and returns when the operator has answered.
class QtPopups : public Popups {
  public:
    QtPopups() = default;
    ~QtPopups() override;

    void messagePopup(const std::string& title, const std::string& text) override;
    int confirmPopup(const std::string& title, const std::string& text) override;
    int twoButtonPopup(const std::string& title, const std::string& text,
                       const std::string& button1, const std::string& button2) override;
    int fileSelectPopup(const FileSelectRequest& request, std::string& path) override;
    void setWaitCursor(bool busy) override;

  private:
    int waitCursorDepth_ = 0;
};

}  // namespace qv
