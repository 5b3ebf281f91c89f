#pragma once

#include <filesystem>
#include <string_view>

#include "core/xml/XmlWriter.h"
#include "generator/PasswordPolicy.h"

namespace Tarnwick::PasswordGenerator {

// The policy file "TWPasswordPolicies.xml": a comment, the root element
// "Tarnwick-PasswordPolicies" with the "mru" attribute, and one "policy" element per policy
// whose "user" and "excludes" elements hold the own and the excluded characters as CDATA.
class PasswordPolicySerializer {
public:
    static constexpr std::u16string_view kFileName = u"TWPasswordPolicies.xml";
    static constexpr std::u16string_view kRootElement = u"Tarnwick-PasswordPolicies";
    // Own and excluded characters kept from a file; the rest is cut off, so that a
    // hand-edited file cannot make every generation crawl.
    static constexpr std::size_t kMaxCharacters = 1024;

    // The file in the local application folder.
    static std::filesystem::path GetDefaultPath();

    // Clears the list, then reads the file. Every policy starts from the default policy; its
    // attributes are applied by name (decimal, an empty value is 0, flags are true when not 0)
    // and clamped to what a policy may hold: length 1 to 1024, counts 0 to 1024, an encoding
    // outside 0 to 2 reads as 0. Line ends in the characters read as line feeds. A policy
    // whose name breaks the name rules, or whose characters XML cannot hold, is left out, as
    // one could never be written back. Malformed XML throws Exception "RR_ERROR" (context
    // "PasswordPolicySerializer::Deserialize") with the policies read so far kept; a file that
    // cannot be opened throws the reader's WindowsException.
    static void Deserialize(const std::filesystem::path& path, PasswordPolicies& policies);

    // Writes one "policy" element. A name that breaks the name rules, or characters that XML
    // cannot hold, throw Exception (context "PasswordPolicySerializer::SerializePolicy").
    static void SerializePolicy(XmlServiceProvider::XmlWriter& writer, const PasswordPolicy& policy);
    // Throws as SerializePolicy would, without writing.
    static void VerifyPolicy(const PasswordPolicy& policy);

    // Writes the whole file; nothing at all when the list is empty. Every policy is checked
    // before the file is begun, and the old file is replaced only by a complete new one.
    // A policy is written under its key in the map.
    static void Save(const std::filesystem::path& path, const PasswordPolicies& policies);
    // A file with only the default policy, most recently used "Standard".
    static void CreateDefaultFile(const std::filesystem::path& path);
    // When the policy page opens: creates the default file if there is none, then reads it.
    static void LoadOrCreate(const std::filesystem::path& path, PasswordPolicies& policies);

    // The same on the file in the local application folder.
    static void Deserialize(PasswordPolicies& policies);
    static void Save(const PasswordPolicies& policies);
    static void CreateDefaultFile();
    static void LoadOrCreate(PasswordPolicies& policies);
};

} // namespace Tarnwick::PasswordGenerator
