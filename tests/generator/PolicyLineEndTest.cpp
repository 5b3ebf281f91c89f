// Carriage returns in a policy file: the XML parser may hand one back from a CDATA section,
// and a policy holding one could not be written back, so no later save would succeed.
#include <gtest/gtest.h>

#include <string>

#include "generator/PasswordPolicySerializer.h"
#include "support/TempFolder.h"

namespace {

using Tarnwick::PasswordGenerator::PasswordPolicies;
using Tarnwick::PasswordGenerator::PasswordPolicySerializer;

constexpr std::string_view kFile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Tarnwick-PasswordPolicies mru=\"Zeilen\">\n"
    "  <policy length=\"20\" name=\"Zeilen\">\n"
    "    <user><![CDATA[ab\r\r\rcd\r\nef]]></user>\n"
    "    <excludes><![CDATA[0O\r\r1l]]></excludes>\n"
    "  </policy>\n"
    "</Tarnwick-PasswordPolicies>\n";

TEST(PolicyLineEnds, CarriageReturnsReadAsLineFeedsAndThePolicyCanBeSavedAgain) {
    TestSupport::TempFolder folder;
    const auto path = folder / "TWPasswordPolicies.xml";
    TestSupport::WriteFileBytes(path, kFile);
    PasswordPolicies policies;
    PasswordPolicySerializer::Deserialize(path, policies);
    ASSERT_EQ(policies.policies.count(u"Zeilen"), 1u);
    const auto& policy = policies.policies.at(u"Zeilen");
    EXPECT_EQ(policy.ownCharacters.find(u'\r'), std::u16string::npos);
    EXPECT_EQ(policy.excludedCharacters.find(u'\r'), std::u16string::npos);
    EXPECT_EQ(policy.ownCharacters.substr(0, 2), u"ab");
    EXPECT_NE(policy.ownCharacters.find(u"cd\nef"), std::u16string::npos);
    EXPECT_NO_THROW(PasswordPolicySerializer::VerifyPolicy(policy));

    // The list is written and reads back the same.
    const auto copy = folder / "copy.xml";
    ASSERT_NO_THROW(PasswordPolicySerializer::Save(copy, policies));
    PasswordPolicies again;
    PasswordPolicySerializer::Deserialize(copy, again);
    ASSERT_EQ(again.policies.count(u"Zeilen"), 1u);
    EXPECT_EQ(again.policies.at(u"Zeilen"), policy);
}

} // namespace
