#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace Tarnwick {

// A command button of a question box: its caption and the explanation beneath it.
struct CommandButton {
    std::u16string_view caption;
    std::u16string_view explanation;
};

// What the database requests need from the user interface: error boxes, questions with
// command buttons, and the main window's progress bar. The Qt side implements it; tests fake it.
class IDatabaseUserInterface {
public:
    virtual ~IDatabaseUserInterface() = default;
    virtual void ShowError(std::u16string_view text) = 0;
    // Something the user should know that did not stop the request.
    virtual void ShowWarning(std::u16string_view text) { ShowError(text); }
    // The index of the chosen button, or -1 when the box was closed without a choice.
    virtual int AskCommand(std::u16string_view heading, std::u16string_view text,
                           const std::vector<CommandButton>& buttons) = 0;
    virtual void ProgressStart(std::int32_t units) = 0;
    virtual void ProgressStep() = 0;
    virtual void ProgressEnd() = 0;
};

} // namespace Tarnwick
