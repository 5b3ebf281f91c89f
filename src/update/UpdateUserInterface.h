#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Tarnwick::UpdateProvider {

enum class UpdateMessageIcon { Information, Warning, Error };

struct UpdateQuestion {
    std::u16string title;
    std::u16string mainInstruction;
    std::u16string content;
    std::vector<std::u16string> commands; // "caption\nexplanation"
    int defaultCommand = 0;
    bool shield = false;
    std::u16string footerLinkText;
    std::string footerLinkUrl;
};

// What the update job shows. The window system's side is in ui/; tests answer with a fake.
class IUpdateUserInterface {
public:
    virtual ~IUpdateUserInterface() = default;
    // Whether there is a window to be modal over.
    virtual bool HasParentWindow() = 0;
    // Shows the progress window ("Tarnwick - Update") modally while work runs on another
    // thread, and returns when work has ended. Its cancel button sets cancel.
    virtual void RunWithProgress(std::u16string_view instruction, std::u16string_view content,
                                 std::atomic<bool>& cancel, const std::function<void()>& work) = 0;
    // From the worker thread: new texts for the progress window; marquee off when
    // showsBytes (a download that counts).
    virtual void SetProgressTexts(std::u16string_view instruction, std::u16string_view content) = 0;
    virtual void ShowMessage(UpdateMessageIcon icon, std::u16string_view text) = 0;
    // The chosen command's index, -1 when the question was dismissed.
    virtual int Ask(const UpdateQuestion& question) = 0;
    virtual void OpenUrl(const std::string& url) = 0;
};

} // namespace Tarnwick::UpdateProvider
