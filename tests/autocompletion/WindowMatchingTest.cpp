#include <gtest/gtest.h>

#include <string>

#include "autocompletion/WindowMatching.h"
#include "base/text/Utf.h"

using namespace Tarnwick::AutoCompletion;

namespace {

int KindOf(std::u16string_view title) {
    int kind = -1;
    const bool browser = IsBrowserWindow(title, &kind);
    EXPECT_EQ(browser, kind != 0) << Tarnwick::Text::ToUtf8(title);
    return kind;
}

} // namespace

TEST(BrowserRecognition, TheLastPartOfTheTitleNamesTheBrowser) {
    for (int kind = 1; kind <= 11; ++kind) {
        const std::u16string title = u"Anmeldung - " + std::u16string(BrowserName(kind));
        EXPECT_EQ(KindOf(title), kind) << Tarnwick::Text::ToUtf8(title);
    }
    EXPECT_EQ(KindOf(u"Startseite - Windows Internet Explorer"), 2);
    // A browser name earlier in the title does not hide the real one.
    EXPECT_EQ(KindOf(u"Sydney Opera House - Google Chrome"), 9);
    EXPECT_EQ(KindOf(u"Iron Maiden - Tickets - Mozilla Firefox"), 3);
    EXPECT_EQ(KindOf(u"Kalender - K-Melon"), 10);
    EXPECT_EQ(BrowserName(0), u"NotSupported");
    EXPECT_EQ(BrowserName(12), u"NotSupported");
    EXPECT_EQ(BrowserName(-1), u"NotSupported");
}

TEST(BrowserRecognition, TitlesThatAreNoBrowser) {
    for (const std::u16string_view title :
         {u"", u"Opera", u"xOpera", u"Opera Tipps und Tricks", u"Mozilla Firefox - Startseite",
          u"Seite-Opera", u"Seite -Opera", u"Seite- Opera", u"Seite - opera", u"Seite - Opera ",
          u"Seite - Google Chrome extra", u"Seite - ", u"Seite - Notepad", u"Seite \u2013 Opera", u"Flock-",
          u"-"}) {
        EXPECT_EQ(KindOf(title), 0) << Tarnwick::Text::ToUtf8(title);
    }
}

TEST(WindowMatching, UserAgentTargetsMatchThePageInEveryBrowser) {
    const std::u16string_view target = u"Meine Bank - {USERAGENT}";
    for (int kind = 1; kind <= 11; ++kind) {
        EXPECT_TRUE(MatchesWindow(target, u"Meine Bank - " + std::u16string(BrowserName(kind))));
        EXPECT_FALSE(MatchesWindow(target, u"Andere Bank - " + std::u16string(BrowserName(kind))));
        EXPECT_FALSE(MatchesWindow(target, u"meine Bank - " + std::u16string(BrowserName(kind))));
    }
    EXPECT_FALSE(MatchesWindow(target, u"Meine Bank - Notepad"));
    EXPECT_FALSE(MatchesWindow(target, u"Meine Bank"));
    EXPECT_TRUE(MatchesWindow(u"Konto - Meine Bank - {USERAGENT}", u"Konto - Meine Bank - Opera"));
    EXPECT_FALSE(MatchesWindow(u"Konto - Meine Bank - {USERAGENT}", u"Meine Bank - Opera"));
    EXPECT_FALSE(MatchesWindow(u"Meine Bank - {useragent}", u"Meine Bank - Opera"));
}

TEST(WindowMatching, OtherTargetsMatchOnlyTheExactTitle) {
    EXPECT_TRUE(MatchesWindow(u"Anmelden", u"Anmelden"));
    EXPECT_FALSE(MatchesWindow(u"Anmelden", u"anmelden"));
    EXPECT_FALSE(MatchesWindow(u"Anmelden", u"Anmelden "));
    EXPECT_FALSE(MatchesWindow(u"Anmelden", u"Anmeld"));
    EXPECT_TRUE(MatchesWindow(u"Meine Bank - Opera", u"Meine Bank - Opera"));
    EXPECT_FALSE(MatchesWindow(u"Meine Bank - Opera", u"Meine Bank - Google Chrome"));
    EXPECT_TRUE(MatchesWindow(u"Meine Bank - {USERAGENT}", u"Meine Bank - {USERAGENT}"));
}
