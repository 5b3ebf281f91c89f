#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "autocompletion/AutoCompletionIndex.h"

using namespace Tarnwick::AutoCompletion;
using namespace Tarnwick::PasswordADT;

namespace {

PasswordItemRef Entry(std::u16string_view target, std::u16string_view sequence) {
    auto item = std::make_shared<PasswordItem>();
    item->SetTargetWindow(target);
    item->SetSequence(sequence);
    return item;
}

struct Place {
    std::uint32_t folder;
    std::uint32_t entry;
    const PasswordItem* item;
    friend bool operator==(const Place&, const Place&) = default;
};

std::vector<Place> Places(const AutoCompletionIndex& index, const PasswordData& data,
                          std::u16string_view title) {
    std::vector<Place> places;
    for (const auto& match : index.FindMatches(data, title)) {
        places.push_back(Place{match.folder, match.entry, match.item.get()});
    }
    return places;
}

class AutoCompletionIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        mail = data.AddFolder(u"Mail");
        bank = data.AddFolder(u"Bank");
        webmail = Entry(u"Webmail - {USERAGENT}", u"{USERNAME}{TAB}{PASSWORD}");
        noSequence = Entry(u"Webmail - {USERAGENT}", u"");
        noTarget = Entry(u"", u"{USERNAME}{TAB}{PASSWORD}");
        login = Entry(u"Anmeldung", u"{PASSWORD}{ENTER}");
        webmail2 = Entry(u"Webmail - Opera", u"{MAIL}{TAB}{PASSWORD}");
        mail->Entries() = {noSequence, webmail, noTarget};
        bank->Entries() = {login, webmail2};
        index.Rebuild(data);
    }

    PasswordData data;
    CategoryRef mail;
    CategoryRef bank;
    PasswordItemRef webmail, noSequence, noTarget, login, webmail2;
    AutoCompletionIndex index;
};

} // namespace

TEST_F(AutoCompletionIndexTest, OnlyEntriesWithTargetAndSequenceAreOffered) {
    EXPECT_EQ(index.Count(), 3u);
    EXPECT_EQ(Places(index, data, u"Webmail - Opera"),
              (std::vector<Place>{{0, 1, webmail.get()}, {1, 1, webmail2.get()}}));
    EXPECT_EQ(Places(index, data, u"Webmail - Google Chrome"), (std::vector<Place>{{0, 1, webmail.get()}}));
    EXPECT_EQ(Places(index, data, u"Anmeldung"), (std::vector<Place>{{1, 0, login.get()}}));
    EXPECT_TRUE(Places(index, data, u"anmeldung").empty());
    EXPECT_TRUE(Places(index, data, u"").empty());
    EXPECT_FALSE(index.Add(noSequence));
    EXPECT_FALSE(index.Add(noTarget));
    EXPECT_FALSE(index.Add(webmail)); // already there
    EXPECT_EQ(index.Count(), 3u);
}

TEST_F(AutoCompletionIndexTest, PlacesFollowInsertedMovedAndDeletedEntries) {
    // Entries put in front shift every position behind them.
    auto fresh = Entry(u"Anmeldung", u"{ENTER}");
    bank->Entries().insert(bank->Entries().begin(), fresh);
    EXPECT_TRUE(index.Add(fresh));
    EXPECT_EQ(Places(index, data, u"Anmeldung"),
              (std::vector<Place>{{1, 1, login.get()}, {1, 0, fresh.get()}}));

    ASSERT_EQ(data.MoveEntry(0, 1, 1), MoveEntrySucceeded); // login into "Mail"
    EXPECT_EQ(Places(index, data, u"Anmeldung"),
              (std::vector<Place>{{0, 3, login.get()}, {1, 0, fresh.get()}}));

    // Deleted while the view still holds it: never offered again.
    mail->Entries().erase(mail->Entries().begin() + 1);
    EXPECT_EQ(Places(index, data, u"Webmail - Opera"), (std::vector<Place>{{1, 1, webmail2.get()}}));
    EXPECT_EQ(Places(index, data, u"Anmeldung"),
              (std::vector<Place>{{0, 2, login.get()}, {1, 0, fresh.get()}}));

    data.DeleteFolder(1);
    EXPECT_EQ(Places(index, data, u"Anmeldung"), (std::vector<Place>{{0, 2, login.get()}}));
    EXPECT_TRUE(index.Remove(login));
    EXPECT_FALSE(index.Remove(login));
    EXPECT_TRUE(Places(index, data, u"Anmeldung").empty());
}

TEST_F(AutoCompletionIndexTest, EditsAndReloads) {
    // Target texts are read when asked, so an edit cannot leave a stale text behind.
    login->SetTargetWindow(u"Neue Anmeldung");
    EXPECT_TRUE(Places(index, data, u"Anmeldung").empty());
    EXPECT_EQ(Places(index, data, u"Neue Anmeldung"), (std::vector<Place>{{1, 0, login.get()}}));

    // An edit that empties the sequence takes the entry out, even before it is reported.
    webmail->SetSequence(u"");
    EXPECT_EQ(Places(index, data, u"Webmail - Opera"), (std::vector<Place>{{1, 1, webmail2.get()}}));
    index.Update(webmail);
    EXPECT_EQ(index.Count(), 2u);
    noSequence->SetSequence(u"{PASSWORD}");
    index.Update(noSequence);
    index.Update(noSequence);
    EXPECT_EQ(index.Count(), 3u);
    EXPECT_EQ(Places(index, data, u"Webmail - Opera"),
              (std::vector<Place>{{1, 1, webmail2.get()}, {0, 0, noSequence.get()}}));

    // Another database: nothing of the old one is offered, with or without a rebuild.
    PasswordData other;
    auto folder = other.AddFolder(u"Neu");
    auto item = Entry(u"Webmail - {USERAGENT}", u"{PASSWORD}");
    folder->Entries().push_back(item);
    EXPECT_TRUE(Places(index, other, u"Webmail - Opera").empty());
    index.Rebuild(other);
    EXPECT_EQ(index.Count(), 1u);
    EXPECT_EQ(Places(index, other, u"Webmail - Opera"), (std::vector<Place>{{0, 0, item.get()}}));
    data.Clear();
    mail.reset();
    bank.reset();
    webmail.reset();
    noSequence.reset();
    noTarget.reset();
    login.reset();
    webmail2.reset();
    EXPECT_EQ(index.Count(), 1u);
}
