#pragma once

#include <string>

namespace qv {

enum class FileDialogButton { Ok, Save, Load, Select };

struct FileSelectRequest {
    std::string directory;        // start directory; empty means the current one
    std::string defaultFileName;  // e.g. "Parameter.ini"
    std::string fileTypeList;     // e.g. "*.ini"
    std::string title;
    FileDialogButton button = FileDialogButton::Ok;
    bool restrictDirectory = false;
    bool restrictExtension = false;
    bool allowCancel = true;
    bool allowMakeDirectory = true;
};

// Results of fileSelectPopup.
enum FileSelectResult : int {
    FILE_SELECT_CANCELLED = 0,
    FILE_SELECT_EXISTING = 1,
    FILE_SELECT_NEW = 2,
};

// Modal pop-ups. Each call returns when the operator has answered.
class Popups {
  public:
    virtual ~Popups() = default;

    // A message with one button.
    virtual void messagePopup(const std::string& title, const std::string& text) = 0;

    // A Yes/No question: 1 Yes, 0 No.
    virtual int confirmPopup(const std::string& title, const std::string& text) = 0;

    // Two buttons; button 1 has the focus and answers both Enter and Escape.
    // Returns 1 or 2, the button chosen.
    virtual int twoButtonPopup(const std::string& title, const std::string& text,
                               const std::string& button1, const std::string& button2) = 0;

    // The file dialog. On 1 (existing file) or 2 (new name) `path` holds the full path;
    // 0 means cancelled, a negative value a failure.
    virtual int fileSelectPopup(const FileSelectRequest& request, std::string& path) = 0;

    // The busy cursor while a long platform call (a TCP connect) runs.
    virtual void setWaitCursor(bool busy) = 0;
};

}  // namespace qv
