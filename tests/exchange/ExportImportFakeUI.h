#pragma once

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "exchange/DatabaseExport.h"
#include "exchange/DatabaseImport.h"

namespace TestSupport {

// Records every box, question and progress call of a wizard and answers from a script
// (an empty script closes the box without a choice).
template <typename Interface>
class RecordingUI : public Interface {
public:
    void ShowError(std::u16string_view text) override { errors.emplace_back(text); }
    int AskCommand(std::u16string_view heading, std::u16string_view text,
                   const std::vector<Tarnwick::CommandButton>& buttons) override {
        headings.emplace_back(heading);
        texts.emplace_back(text);
        captions.clear();
        explanations.clear();
        for (const auto& button : buttons) {
            captions.emplace_back(button.caption);
            explanations.emplace_back(button.explanation);
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

    bool HasError(std::u16string_view text) const {
        return std::find(errors.begin(), errors.end(), std::u16string(text)) != errors.end();
    }

    std::vector<std::u16string> errors;
    std::vector<std::u16string> headings;
    std::vector<std::u16string> texts;
    // Of the last question.
    std::vector<std::u16string> captions;
    std::vector<std::u16string> explanations;
    std::deque<int> answers;
    std::int32_t progressUnits = -1;
    int progressStarts = 0;
    int progressSteps = 0;
    int progressEnds = 0;
};

class FakeExportUI : public RecordingUI<Tarnwick::ExportImport::IExportUserInterface> {
public:
    Tarnwick::ExportImport::ExtensionAnswer AskAddExtension(std::u16string_view question) override {
        extensionQuestions.emplace_back(question);
        return extensionAnswer;
    }
    void ShowInformation(std::u16string_view text) override { information.emplace_back(text); }

    Tarnwick::ExportImport::ExtensionAnswer extensionAnswer = Tarnwick::ExportImport::ExtensionAnswer::Yes;
    std::vector<std::u16string> extensionQuestions;
    std::vector<std::u16string> information;
};

class FakeImportUI : public RecordingUI<Tarnwick::ExportImport::IDatabaseImportUserInterface> {
public:
    void SetStatus(std::u16string_view text) override { statuses.emplace_back(text); }
    void ShowInformation(std::u16string_view text) override { information.emplace_back(text); }

    bool HasStatus(std::u16string_view text) const {
        return std::find(statuses.begin(), statuses.end(), std::u16string(text)) != statuses.end();
    }

    std::vector<std::u16string> statuses;
    std::vector<std::u16string> information;
};

} // namespace TestSupport
