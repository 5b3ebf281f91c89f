// The search's whole-word test and the kept search terms, without a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/dialogs/SearchEngine.h"
#include "support/VaultBuilder.h"

namespace {

using Tarnwick::PasswordADT::PasswordData;
using Tarnwick::PasswordADT::PasswordItem;
using Tarnwick::Search::IsWordCharacter;
using Tarnwick::Search::SearchScope;
using Tarnwick::Search::SearchTermCache;
using Tarnwick::Search::WordMatcher;
using Position = Tarnwick::Views::EntryPosition;

bool Finds(std::u16string_view text, std::u16string_view field) { return WordMatcher(text).Matches(field); }

TEST(SearchWordTest, FindsTheWordAndNotThePartOfAWord) {
    EXPECT_TRUE(Finds(u"bank", u"Bank Login"));
    EXPECT_TRUE(Finds(u"bank", u"meine bank"));
    EXPECT_TRUE(Finds(u"bank", u"bank"));
    EXPECT_TRUE(Finds(u"bank", u"(bank)"));
    EXPECT_TRUE(Finds(u"bank", u"Online-Bank, privat"));
    EXPECT_FALSE(Finds(u"bank", u"Bankkonto"));
    EXPECT_FALSE(Finds(u"bank", u"online_bank"));
    EXPECT_FALSE(Finds(u"bank", u"bank_online"));
    EXPECT_FALSE(Finds(u"bank", u"bank1"));
    EXPECT_FALSE(Finds(u"bank", u"2bank"));
    EXPECT_FALSE(Finds(u"bank", u"Sparkasse"));
}

TEST(SearchWordTest, OnlyTheFirstOccurrenceCounts) {
    EXPECT_FALSE(Finds(u"bank", u"Bankkonto bank"));
    EXPECT_FALSE(Finds(u"bank", u"online_bank und bank"));
    EXPECT_TRUE(Finds(u"bank", u"bank und Bankkonto"));
}

TEST(SearchWordTest, UmlautsAndOtherScriptsAreLetters) {
    // The C locale knows no umlaut; the word test must not depend on it.
    EXPECT_FALSE(Finds(u"bank", u"bankö"));
    EXPECT_FALSE(Finds(u"bank", u"Übank"));
    EXPECT_FALSE(Finds(u"ller", u"Hans Müller"));
    EXPECT_FALSE(Finds(u"stra", u"Hauptstraße"));
    EXPECT_FALSE(Finds(u"haupt", u"Hauptstraße"));
    EXPECT_FALSE(Finds(u"ароль", u"мой пароль"));
    EXPECT_FALSE(Finds(u"κωδ", u"κωδικός"));
    EXPECT_TRUE(Finds(u"müller", u"Hans Müller"));
    EXPECT_TRUE(Finds(u"пароль", u"мой пароль"));
    EXPECT_TRUE(Finds(u"bank", u"bank€"));
    EXPECT_TRUE(Finds(u"bank", u"bank\u00A0Login"));
}

TEST(SearchWordTest, UmlautsCompareWithoutRegardToCase) {
    EXPECT_TRUE(Finds(u"über", u"Das Über-Konto"));
    EXPECT_TRUE(Finds(u"ÜBER", u"das über-konto"));
    EXPECT_TRUE(Finds(u"ÄRGER", u"großer Ärger"));
    EXPECT_TRUE(Finds(u"ΘΕΜΑ", u"ένα θεμα"));
    EXPECT_TRUE(Finds(u"BANK", u"meine Bank"));
}

TEST(SearchWordTest, DecomposedLettersAndCharactersBeyondTheBasicPlane) {
    // "é" written as "e" and a combining accent is one letter.
    EXPECT_FALSE(Finds(u"cafe", u"Cafe\u0301 am Markt"));
    EXPECT_TRUE(Finds(u"cafe\u0301", u"Cafe\u0301 am Markt"));
    // A mathematical letter (a surrogate pair) touches the word; an emoji does not.
    EXPECT_FALSE(Finds(u"bank", u"bank\U0001D400"));
    EXPECT_FALSE(Finds(u"bank", u"\U0001D400bank"));
    EXPECT_TRUE(Finds(u"bank", u"bank\U0001F600"));
    EXPECT_TRUE(Finds(u"bank", u"\U0001F600bank"));
    EXPECT_TRUE(IsWordCharacter(U'_'));
    EXPECT_TRUE(IsWordCharacter(U'ß'));
    EXPECT_TRUE(IsWordCharacter(U'٣'));
    EXPECT_FALSE(IsWordCharacter(U'-'));
    EXPECT_FALSE(IsWordCharacter(U' '));
}

TEST(SearchWordTest, EmptyTextAndLongerTextFindNothing) {
    EXPECT_TRUE(WordMatcher(u"").IsEmpty());
    EXPECT_FALSE(Finds(u"", u"bank"));
    EXPECT_FALSE(Finds(u"bank", u""));
    EXPECT_FALSE(Finds(u"banking", u"bank"));
}

std::shared_ptr<PasswordItem> Entry(std::u16string_view description, std::u16string_view user, std::u16string_view comment,
                                    std::u16string_view url, std::u16string_view email = u"") {
    auto item = std::make_shared<PasswordItem>();
    item->SetDescription(description);
    item->SetUserName(user);
    item->SetComment(comment);
    item->SetUrl(url);
    item->SetEmail(email);
    return item;
}

PasswordData Sample() {
    PasswordData data;
    auto first = data.AddFolder(u"Banken");
    auto second = data.AddFolder(u"Sonstiges");
    first->Entries().push_back(Entry(u"Bank Login", u"anna", u"Konto bei der bank", u"https://bank.example/"));
    first->Entries().push_back(Entry(u"Bankkonto", u"bank", u"", u"https://konto.example/"));
    second->Entries().push_back(Entry(u"meine bank", u"bert", u"kein Kommentar", u"bank.exe", u"bank@example.org"));
    second->Entries().push_back(Entry(u"Post", u"post", u"Hinweis: bank", u"", u"post@example.org"));
    return data;
}

TEST(SearchOverData, EachScopeLooksAtItsField) {
    const PasswordData data = Sample();
    using Hits = std::vector<Position>;
    EXPECT_EQ(Tarnwick::Search::Search(data, u"bank", SearchScope::Description).hits, (Hits{{0, 0}, {1, 0}}));
    EXPECT_EQ(Tarnwick::Search::Search(data, u"bank", SearchScope::UserName).hits, (Hits{{0, 1}}));
    EXPECT_EQ(Tarnwick::Search::Search(data, u"bank", SearchScope::Comment).hits, (Hits{{0, 0}, {1, 1}}));
    EXPECT_EQ(Tarnwick::Search::Search(data, u"bank", SearchScope::Url).hits, (Hits{{0, 0}, {1, 0}}));
    // All fields: the e-mail address too, every entry once.
    EXPECT_EQ(Tarnwick::Search::Search(data, u"bank", SearchScope::AllFields).hits,
              (Hits{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
    EXPECT_EQ(Tarnwick::Search::Search(data, u"post", SearchScope::AllFields).hits, (Hits{{1, 1}}));
    EXPECT_TRUE(Tarnwick::Search::Search(data, u"", SearchScope::AllFields).hits.empty());
    EXPECT_TRUE(Tarnwick::Search::Search(data, u"nirgends", SearchScope::AllFields).complete);
}

TEST(SearchOverData, AFolderSlotWithoutFolderEndsTheSearch) {
    PasswordData data = Sample();
    data.Folders().insert(data.Folders().begin() + 1, nullptr);
    const auto result = Tarnwick::Search::Search(data, u"bank", SearchScope::Description);
    EXPECT_FALSE(result.complete);
    EXPECT_TRUE(result.hits.empty());
}

TEST(SearchOverData, AGeneratedVaultIsSearchedInFolderAndEntryOrder) {
    const PasswordData data = TestSupport::MakeVault(3, 30);
    const auto result = Tarnwick::Search::Search(data, u"Eintrag 7", SearchScope::Description);
    ASSERT_EQ(result.hits.size(), 1u);
    EXPECT_EQ(result.hits.front(), (Position{1, 2}));
    const auto mails = Tarnwick::Search::Search(data, u"example", SearchScope::UserName).hits;
    ASSERT_EQ(mails.size(), 30u);
    EXPECT_TRUE(std::is_sorted(mails.begin(), mails.end()));
}

TEST(SearchTermCacheTest, KeepsOneCopyWhateverTheCase) {
    SearchTermCache cache;
    EXPECT_TRUE(cache.Add(u"Bank"));
    EXPECT_FALSE(cache.Add(u"bank"));
    EXPECT_FALSE(cache.Add(u"BANK"));
    EXPECT_TRUE(cache.Add(u"Ärger"));
    EXPECT_FALSE(cache.Add(u"äRGER"));
    EXPECT_FALSE(cache.Add(u""));
    ASSERT_EQ(cache.Terms().size(), 2u);
    EXPECT_EQ(cache.Terms()[0].View(), u"Bank");
    EXPECT_EQ(cache.Terms()[1].View(), u"Ärger");
    EXPECT_TRUE(cache.Contains(u"ärger"));
    cache.Clear();
    EXPECT_TRUE(cache.Terms().empty());
}

} // namespace
