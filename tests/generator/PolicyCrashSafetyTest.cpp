// The policy file is replaced through the same crash-tested path as the database: stopped at
// any change on disk, it is the complete old or the complete new file.
#include <gtest/gtest.h>

#include <string>

#include "generator/PasswordPolicySerializer.h"
#include "support/ReplacementFaults.h"
#include "support/TempFolder.h"

using Tarnwick::PasswordGenerator::DefaultPolicy;
using Tarnwick::PasswordGenerator::PasswordPolicies;
using Tarnwick::PasswordGenerator::PasswordPolicySerializer;
using TestSupport::ReadFileBytes;
using TestSupport::TempFolder;

TEST(PolicyCrashSafety, EveryFailedChangeLeavesTheOldOrTheNewFile) {
    TempFolder reference;
    TempFolder folder;
    const auto path = folder / "TWPasswordPolicies.xml";

    PasswordPolicySerializer::CreateDefaultFile(path);
    const std::string oldBytes = ReadFileBytes(path);

    // Enough policies for the file to be written in several pieces.
    PasswordPolicies after;
    for (int i = 0; i < 40; ++i) {
        const std::u16string name = u"Richtlinie-" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                                    std::u16string(1, static_cast<char16_t>(u'a' + i / 26));
        auto& policy = after.policies[name];
        policy = DefaultPolicy();
        policy.name = name;
        policy.length = static_cast<std::int16_t>(8 + i);
        policy.ownCharacters = u"äöü€𝄞" + std::u16string(100, u'x');
    }
    after.mostRecentlyUsed = after.policies.begin()->first;
    PasswordPolicySerializer::Save(reference / "TWPasswordPolicies.xml", after);
    const std::string newBytes = ReadFileBytes(reference / "TWPasswordPolicies.xml");
    ASSERT_GT(newBytes.size(), 8000u);

    const long changes = TestSupport::CheckEveryFailureLeavesOldOrNew(
        path, oldBytes, newBytes, [&] { PasswordPolicySerializer::Save(path, after); });
    // Create, several writes, sync, rename, sync of the folder.
    EXPECT_GE(changes, 6);

    PasswordPolicies loaded;
    PasswordPolicySerializer::Deserialize(path, loaded);
    EXPECT_EQ(loaded.policies, after.policies);
}
