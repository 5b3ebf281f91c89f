// The auto-completion sequence ("{USERNAME}{TAB}{PASSWORD}{ENTER}"), as typed into the editor
// or imported: the input is its UTF-16LE text.
#include <string>

#include "FuzzSupport.h"
#include "autocompletion/SequenceParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    using namespace Tarnwick::AutoCompletion;
    SequenceParser checker(text);
    const bool valid = checker.Parse(true);
    if (!checker.Codes().empty()) {
        TwFuzz::Broken("checking a sequence produced codes");
    }
    // Checking tests field numbers by their pattern only ({FIELD_0} passes and is refused when
    // it runs), so a text may pass the check and fail the translation, never the other way.
    SequenceParser builder(text);
    if (builder.Parse(false) && !valid) {
        TwFuzz::Broken("a sequence that translates fails the check");
    }
    (void)GetSequenceType(text);
    return 0;
}
