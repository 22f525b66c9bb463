#pragma once

// Pop-ups that record every call and answer from a script.
//
// Every call (message, confirm, two-button, file dialog) is appended to calls() with its kind,
// title, text, button labels and file request. Questions take the next scripted answer:
//   popups.answerTwoButton(2); popups.answerConfirm(0); popups.answerFile(1, "dir/x.ini");
// Answers are consumed in order by the questions that need one (messages take none). When
// the next scripted answer is for another kind of question than the one asked, the test fails
// and the default answer is given. With the script empty the defaults are: two-button 1,
// confirm 1 (Yes), file dialog 0 (cancelled, path untouched).
// The busy cursor's changes are recorded in waitCursorChanges().

#include <deque>
#include <string>
#include <vector>

#include "platform/Popups.h"

namespace qv::test {

class ScriptedPopups : public Popups {
  public:
    enum class Kind { Message, Confirm, TwoButton, File };

    struct Call {
        Kind kind = Kind::Message;
        std::string title;
        std::string text;
        std::string button1;
        std::string button2;
        FileSelectRequest request;  // file dialog only
        int answer = 0;             // what the call returned (messages: 0)
    };

    void answerConfirm(int answer) { script_.push_back({Kind::Confirm, answer, {}}); }
    void answerTwoButton(int answer) { script_.push_back({Kind::TwoButton, answer, {}}); }
    void answerFile(int answer, const std::string& path) {
        script_.push_back({Kind::File, answer, path});
    }
    int unusedAnswers() const { return static_cast<int>(script_.size()); }

    const std::vector<Call>& calls() const { return calls_; }
    const std::vector<bool>& waitCursorChanges() const { return waitCursor_; }

    void messagePopup(const std::string& title, const std::string& text) override;
    int confirmPopup(const std::string& title, const std::string& text) override;
    int twoButtonPopup(const std::string& title, const std::string& text,
                       const std::string& button1, const std::string& button2) override;
    int fileSelectPopup(const FileSelectRequest& request, std::string& path) override;
    void setWaitCursor(bool busy) override { waitCursor_.push_back(busy); }

  private:
    struct Answer {
        Kind kind;
        int value;
        std::string path;
    };
    // The next scripted answer if it is for `kind`, else the default.
    Answer take(Kind kind, int defaultValue);

    std::deque<Answer> script_;
    std::vector<Call> calls_;
    std::vector<bool> waitCursor_;
};

}  // namespace qv::test
