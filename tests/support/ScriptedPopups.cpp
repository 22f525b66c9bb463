#include "support/ScriptedPopups.h"

#include <gtest/gtest.h>

namespace qv::test {

namespace {

const char* kindName(ScriptedPopups::Kind kind) {
    switch (kind) {
        case ScriptedPopups::Kind::Message:
            return "message";
        case ScriptedPopups::Kind::Confirm:
            return "confirm";
        case ScriptedPopups::Kind::TwoButton:
            return "two-button";
        case ScriptedPopups::Kind::File:
            return "file dialog";
    }
    return "?";
}

}  // namespace

ScriptedPopups::Answer ScriptedPopups::take(Kind kind, int defaultValue) {
    if (script_.empty()) {
        return {kind, defaultValue, {}};
    }
    Answer answer = script_.front();
    script_.pop_front();
    if (answer.kind != kind) {
        ADD_FAILURE() << "ScriptedPopups: a " << kindName(kind)
                      << " pop-up was asked, but the next scripted answer is for a "
                      << kindName(answer.kind) << " pop-up";
        return {kind, defaultValue, {}};
    }
    return answer;
}

void ScriptedPopups::messagePopup(const std::string& title, const std::string& text) {
    calls_.push_back({Kind::Message, title, text, {}, {}, {}, 0});
}

int ScriptedPopups::confirmPopup(const std::string& title, const std::string& text) {
    const int answer = take(Kind::Confirm, 1).value;
    calls_.push_back({Kind::Confirm, title, text, {}, {}, {}, answer});
    return answer;
}

int ScriptedPopups::twoButtonPopup(const std::string& title, const std::string& text,
                                   const std::string& button1, const std::string& button2) {
    const int answer = take(Kind::TwoButton, 1).value;
    calls_.push_back({Kind::TwoButton, title, text, button1, button2, {}, answer});
    return answer;
}

int ScriptedPopups::fileSelectPopup(const FileSelectRequest& request, std::string& path) {
    const Answer answer = take(Kind::File, FILE_SELECT_CANCELLED);
    if (answer.value > 0) {
        path = answer.path;
    }
    calls_.push_back({Kind::File, request.title, {}, {}, {}, request, answer.value});
    return answer.value;
}

}  // namespace qv::test
