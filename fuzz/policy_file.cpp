// The password-policy file "TWPasswordPolicies.xml". Every policy it yields must be one the
// program can write back, and generating a password under it must end.
#include <cstdint>
#include <cstdio>

#include "FuzzSupport.h"
#include "base/text/Utf.h"
#include "base/exceptions/Exception.h"
#include "crypto/SecureString.h"
#include "generator/CryptoRandomStream.h"
#include "generator/PasswordGenerator.h"
#include "generator/PasswordPolicy.h"
#include "generator/PasswordPolicySerializer.h"

using namespace Tarnwick::PasswordGenerator;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& path = TwFuzz::WriteInput(data, size, "TWPasswordPolicies.xml");
    PasswordPolicies policies;
    try {
        PasswordPolicySerializer::Deserialize(path, policies);
    } catch (const Utilities::Exceptions::Exception&) {
    }
    int generated = 0;
    for (const auto& [name, policy] : policies.policies) {
        try {
            PasswordPolicySerializer::VerifyPolicy(policy);
        } catch (const Utilities::Exceptions::Exception& e) {
            std::fprintf(stderr, "%s\n", Tarnwick::Text::ToUtf8(e.ToString().View()).c_str());
            TwFuzz::Broken("a policy read from the file cannot be written back");
        }
        if (name != policy.name) {
            TwFuzz::Broken("a policy is listed under another name");
        }
        if (policy.length < PasswordPolicy::kMinLength || policy.length > PasswordPolicy::kMaxLength) {
            TwFuzz::Broken("a policy's length is outside its bounds");
        }
        // A few generations per input keep the runs short; the stream is fixed.
        if (generated++ >= 3) {
            continue;
        }
        static const std::uint8_t key[Crypto::CryptoRandomStream::kKeySize] = {1, 2, 3};
        Crypto::CryptoRandomStream stream(key, sizeof key);
        PasswordGenerator generator(policy);
        StringServiceProvider::SecureString password;
        try {
            generator.Generate(stream, password);
        } catch (const Utilities::Exceptions::Exception&) {
        }
    }
    return 0;
}
