// The clipboard backup against an owner that hands its content over in pieces (INCR), as
// xclip does for anything larger than one request.
#include <gtest/gtest.h>

#include <string>

#include "platform/DesktopFixture.h"

namespace {

using namespace DesktopTest;
using Tarnwick::Platform::Selection;

class SelectionIncrOnXvfb : public DesktopFixture {
protected:
    static std::string LargeText(std::size_t bytes) {
        std::string text(bytes, '\0');
        for (std::size_t i = 0; i < bytes; ++i) {
            text[i] = static_cast<char>('a' + i % 26);
        }
        return text;
    }
};

TEST_F(SelectionIncrOnXvfb, AClipboardLargerThanOneRequestArrivesWhole) {
    const std::string text = LargeText(5u << 20);
    SetClipboardText(text);
    const auto snapshot = desktop->Capture(Selection::Clipboard, 0x800000);
    bool whole = false;
    for (const auto& item : snapshot.items) {
        if (item.target == "UTF8_STRING") {
            whole = std::string(item.data.begin(), item.data.end()) == text;
        }
    }
    EXPECT_TRUE(whole);
}

TEST_F(SelectionIncrOnXvfb, AClipboardOverTheLimitIsLeftOutAndCounted) {
    SetClipboardText(LargeText(5u << 20));
    const auto snapshot = desktop->Capture(Selection::Clipboard, 1u << 20);
    for (const auto& item : snapshot.items) {
        EXPECT_LE(item.data.size(), 1u << 20) << item.target;
    }
    EXPECT_GT(snapshot.skipped, 0u);
}

} // namespace
