#pragma once

#include <deque>
#include <string>
#include <vector>

#include "database/DatabaseUserInterface.h"

namespace TestSupport {

// Records what a database request shows and answers its questions from a script.
class FakeDatabaseUI : public Tarnwick::IDatabaseUserInterface {
public:
    void ShowError(std::u16string_view text) override { errors.emplace_back(text); }
    void ShowWarning(std::u16string_view text) override { warnings.emplace_back(text); }
    int AskCommand(std::u16string_view heading, std::u16string_view text,
                   const std::vector<Tarnwick::CommandButton>& buttons) override {
        questions.emplace_back(heading);
        questionTexts.emplace_back(text);
        for (const auto& b : buttons) {
            buttonCaptions.emplace_back(b.caption);
        }
        if (answers.empty()) {
            return -1;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void ProgressStart(std::int32_t units) override {
        progressUnits = units;
        ++progressStarts;
    }
    void ProgressStep() override { ++progressSteps; }
    void ProgressEnd() override { ++progressEnds; }

    std::vector<std::u16string> errors;
    std::vector<std::u16string> warnings;
    std::vector<std::u16string> questions;
    std::vector<std::u16string> questionTexts;
    std::vector<std::u16string> buttonCaptions;
    std::deque<int> answers;
    std::int32_t progressUnits = -1;
    int progressStarts = 0;
    int progressSteps = 0;
    int progressEnds = 0;
};

} // namespace TestSupport
