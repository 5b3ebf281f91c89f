#include <gtest/gtest.h>

#include <string>

#include "generator/PasswordPolicy.h"
#include "generator/PolicyRules.h"

using namespace Tarnwick::PasswordGenerator;
using namespace Tarnwick::PasswordGenerator::PolicyRules;

TEST(PolicyNames, Rules) {
    EXPECT_TRUE(IsValidPolicyName(u"Web-Konten-2024"));
    EXPECT_TRUE(IsValidPolicyName(u"-"));
    EXPECT_TRUE(IsValidPolicyName(std::u16string(25, u'Z')));
    EXPECT_FALSE(IsValidPolicyName(std::u16string(26, u'Z')));
    EXPECT_FALSE(IsValidPolicyName(u""));
    EXPECT_FALSE(IsValidPolicyName(u"mit Leerzeichen"));
    EXPECT_FALSE(IsValidPolicyName(u"Stra\u00dfe"));
    EXPECT_FALSE(IsValidPolicyName(u"a_b"));
    EXPECT_FALSE(IsValidPolicyName(u"a\nb"));
    // The reserved names only for a new policy, and exactly as written.
    EXPECT_TRUE(IsValidPolicyName(u"Standard"));
    EXPECT_FALSE(IsValidPolicyName(u"Standard", true));
    EXPECT_FALSE(IsValidPolicyName(u"Default", true));
    EXPECT_TRUE(IsValidPolicyName(u"standard", true));
    EXPECT_TRUE(IsValidPolicyName(u"Default2", true));
}

TEST(PolicyNames, Proposals) {
    PolicyMap map;
    EXPECT_EQ(ProposePolicyName(map), u"Neu");
    map[u"Neu"];
    EXPECT_EQ(ProposePolicyName(map), u"Neu-1");
    map[u"Neu-1"];
    EXPECT_EQ(ProposePolicyName(map), u"Neu-2");
    map[u"Neu-3"];
    EXPECT_EQ(ProposePolicyName(map), u"Neu-2");
    map.erase(u"Neu");
    EXPECT_EQ(ProposePolicyName(map), u"Neu");
}

TEST(PolicyDefaults, StandardValues) {
    const PasswordPolicy p = DefaultPolicy();
    EXPECT_EQ(p.name, u"Standard");
    EXPECT_EQ(p.length, 16);
    EXPECT_EQ(p.encoding, 0);
    EXPECT_EQ(p.Counts(), (std::array<std::int16_t, 9>{2, 2, 2, 2, 2, 0, 0, 0, 0}));
    EXPECT_TRUE(p.repetition);
    EXPECT_FALSE(p.mouseEntropy);
    EXPECT_TRUE(p.systemEntropy);
    EXPECT_FALSE(p.phrase);
    EXPECT_TRUE(p.ownCharacters.empty());
    EXPECT_TRUE(p.excludedCharacters.empty());
    EXPECT_EQ(p.DemandSum(), 10);
    // Set numbers map onto the record's fields.
    PasswordPolicy q;
    for (int set = 0; set < 9; ++set) {
        q.SetCount(set, static_cast<std::int16_t>(10 + set));
    }
    EXPECT_EQ(q.upper, 10);
    EXPECT_EQ(q.lower, 11);
    EXPECT_EQ(q.digits, 12);
    EXPECT_EQ(q.umlauts, 13);
    EXPECT_EQ(q.punctuation, 14);
    EXPECT_EQ(q.brackets, 15);
    EXPECT_EQ(q.special, 16);
    EXPECT_EQ(q.highAnsi, 17);
    EXPECT_EQ(q.ownCount, 18);
    q.SetCount(3, -4);
    EXPECT_EQ(q.DemandSum(), 10 + 11 + 12 + 14 + 15 + 16 + 17 + 18);
}

TEST(PolicyEditor, ChecksOnOk) {
    PolicyMap map;
    map[u"Standard"] = DefaultPolicy();
    auto other = DefaultPolicy();
    other.name = u"Other";
    map[u"Other"] = other;

    auto edited = DefaultPolicy();
    edited.name = u"Neu";
    EXPECT_EQ(CheckEditedPolicy(edited, map, u""), std::nullopt);

    edited.length = 0;
    EXPECT_EQ(CheckEditedPolicy(edited, map, u""), u"Der Wert muss zwischen 1 und 1024 liegen.");
    edited.length = 1025;
    EXPECT_EQ(CheckEditedPolicy(edited, map, u""), u"Der Wert muss zwischen 1 und 1024 liegen.");
    edited.length = 16;
    edited.special = 11;
    EXPECT_EQ(CheckEditedPolicy(edited, map, u""), u"Der Wert muss zwischen 0 und 10 liegen.");
    edited.special = -1;
    EXPECT_EQ(CheckEditedPolicy(edited, map, u""), u"Der Wert muss zwischen 0 und 10 liegen.");
    edited.special = 0;

    const std::u16string nameText = u"Der Name für die Passwortrichtlinie ist nicht zulässig. Es sind nur "
                                    u"alphanumerische Zeichen und '-' "
                                    u"zugelassen.";
    edited.name = u"zwei Worte";
    EXPECT_EQ(CheckEditedPolicy(edited, map, u""), nameText);
    edited.name = u"Default";
    EXPECT_EQ(CheckEditedPolicy(edited, map, u""), nameText);
    EXPECT_EQ(CheckEditedPolicy(edited, map, u"Other"), std::nullopt); // renaming is no new policy

    edited.name = u"Other";
    EXPECT_EQ(CheckEditedPolicy(edited, map, u""),
              u"Es existiert bereits eine Passwortrichtlinie mit diesem Namen.");
    EXPECT_EQ(CheckEditedPolicy(edited, map, u"Other"), std::nullopt); // keeping its own name
    edited.name = u"Standard";
    EXPECT_EQ(CheckEditedPolicy(edited, map, u"Other"),
              u"Es existiert bereits eine Passwortrichtlinie mit diesem Namen.");

    edited.name = u"Kurz";
    edited.length = 9; // the counts add up to 10
    EXPECT_EQ(CheckEditedPolicy(edited, map, u""),
              u"Die Passwortlänge ist zu kurz, um die verschiedenen Zeichen zu verwenden.");
    edited.length = 10;
    EXPECT_EQ(CheckEditedPolicy(edited, map, u""), std::nullopt);

    EXPECT_EQ(CheckRange(5, kCountRange), std::nullopt);
    EXPECT_EQ(CheckRange(3, kQuickLengthRange), std::nullopt);
    EXPECT_EQ(CheckRange(2, kQuickLengthRange), u"Der Wert muss zwischen 3 und 1024 liegen.");
}

TEST(PolicyPage, Commands) {
    EXPECT_EQ(RefuseEdit(u"Standard"), u"Die Standardrichtlinie kann nicht bearbeitet werden.");
    EXPECT_EQ(RefuseDelete(u"Standard"), u"Die Standardrichtlinie kann nicht gelöscht werden.");
    EXPECT_EQ(RefuseEdit(u"Other"), std::nullopt);
    EXPECT_EQ(RefuseDelete(u"Other"), std::nullopt);
    EXPECT_EQ(DeleteQuestion(u"Web-1"), u"Möchten Sie die Passwortrichtlinie \"Web-1\" jetzt löschen?");

    PasswordPolicies list;
    list.policies[u"Standard"] = DefaultPolicy();
    auto mine = DefaultPolicy();
    mine.name = u"Mine";
    StorePolicy(list, u"", mine);
    list.mostRecentlyUsed = u"Mine";
    mine.name = u"Renamed";
    mine.length = 20;
    StorePolicy(list, u"Mine", mine);
    EXPECT_EQ(list.policies.count(u"Mine"), 0u);
    EXPECT_EQ(list.policies.at(u"Renamed").length, 20);
    EXPECT_EQ(list.mostRecentlyUsed, u"Renamed");

    EXPECT_FALSE(DeletePolicy(list, u"Standard"));
    EXPECT_FALSE(DeletePolicy(list, u"Nobody"));
    EXPECT_TRUE(DeletePolicy(list, u"Renamed"));
    EXPECT_EQ(list.policies.size(), 1u);
    EXPECT_EQ(list.mostRecentlyUsed, u"Standard");
}

TEST(QuickGenerator, BuildsItsPolicy) {
    QuickOptions options;
    options.upper = true;
    options.digits = true;
    options.brackets = true;
    PasswordPolicy policy;
    policy.ownCharacters = u"left over";
    ASSERT_EQ(BuildQuickPolicy(options, policy), std::nullopt);
    EXPECT_EQ(policy.length, 16);
    EXPECT_EQ(policy.Counts(), (std::array<std::int16_t, 9>{1, 0, 1, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(policy.encoding, EncodingStandard);
    EXPECT_TRUE(policy.repetition);
    EXPECT_TRUE(policy.systemEntropy);
    EXPECT_FALSE(policy.mouseEntropy);
    EXPECT_TRUE(policy.ownCharacters.empty());
    EXPECT_TRUE(policy.name.empty());

    for (const int length : {2, 1025, -1}) {
        options.length = length;
        EXPECT_EQ(BuildQuickPolicy(options, policy),
                  u"Die Passwortlänge muss zwischen 3 und 1024 Zeichen liegen.");
    }
    options.length = 1024;
    EXPECT_EQ(BuildQuickPolicy(options, policy), std::nullopt);
    EXPECT_EQ(policy.length, 1024);

    EXPECT_EQ(kNoneChosenText, u"<keine gewählt>");
    EXPECT_EQ(kNoneExistingText, u"<keine vorhanden>");
}
