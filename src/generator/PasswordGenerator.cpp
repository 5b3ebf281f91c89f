#include "generator/PasswordGenerator.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "base/text/Base64.h"
#include "crypto/RndCAPI.h"
#include "crypto/ScopedWipe.h"
#include "base/exceptions/Exception.h"

namespace Tarnwick::PasswordGenerator {

using CryptoServiceProvider::ScopedWipe;
using CryptoServiceProvider::Random::CryptoRandomStreamBase;
using StringServiceProvider::SecureString;
using Utilities::Exceptions::Exception;

namespace {

constexpr const char16_t* kEncodedTarget = u"PasswordGenerator::GenerateEncodedPassword";

// Shows the wait cursor for a scope.
class WaitCursor {
public:
    explicit WaitCursor(IGeneratorUI* ui) : m_ui(ui) {
        if (m_ui != nullptr) {
            m_ui->BeginWaitCursor();
        }
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() {
        if (m_ui != nullptr) {
            m_ui->EndWaitCursor();
        }
    }

private:
    IGeneratorUI* m_ui;
};

} // namespace

PasswordGenerator::PasswordGenerator(const PasswordPolicy& policy, IGeneratorUI* ui,
                                     std::uint32_t parentWindow)
    : m_policy(policy), m_ui(ui), m_parentWindow(parentWindow),
      m_samplesPerPassword(kSamplesPerCharacter *
                           static_cast<std::size_t>(std::max<std::int16_t>(policy.length, 0))) {}

std::unique_ptr<Crypto::CryptoRandomStream> PasswordGenerator::CreateRandomStream(std::size_t passwords) {
    std::uint8_t system[kEntropyDigestSize];
    std::uint8_t mouse[kEntropyDigestSize];
    const ScopedWipe wipeSystem(system, sizeof system);
    const ScopedWipe wipeMouse(mouse, sizeof mouse);
    bool haveSystem = false;
    bool haveMouse = false;
    if (m_policy.systemEntropy) {
        ComputeSystemEntropy(m_systemState != nullptr ? *m_systemState : Platform::SystemState(),
                             m_parentWindow, system);
        haveSystem = true;
    }
    if (m_policy.mouseEntropy && m_ui != nullptr) {
        MouseEntropy collector(
            MouseEntropy::SamplesWanted(m_samplesPerPassword, passwords, m_policy.systemEntropy));
        m_ui->CollectMouseEntropy(collector);
        collector.Finish(mouse);
        haveMouse = true;
    }
    if (m_strong != nullptr) {
        return Crypto::CryptoRandomStream::Create(*m_strong, haveMouse ? mouse : nullptr,
                                                  haveSystem ? system : nullptr);
    }
    CryptoServiceProvider::Random::CAPI::RndCAPI strong;
    return Crypto::CryptoRandomStream::Create(strong, haveMouse ? mouse : nullptr,
                                              haveSystem ? system : nullptr);
}

std::size_t PasswordGenerator::GeneratePasswords(IGenerationProgress* progress,
                                                 std::span<SecureString* const> passwords) {
    for (SecureString* slot : passwords) {
        if (slot == nullptr) {
            throw Exception(u"", u"PasswordGenerator::GeneratePasswords");
        }
    }
    if (passwords.empty()) {
        return 0;
    }
    const auto stream = CreateRandomStream(passwords.size());
    if (progress != nullptr) {
        progress->SetRange(0, static_cast<int>(std::min<std::size_t>(passwords.size(), INT32_MAX)));
        progress->SetStep(1);
    }
    std::size_t generated = 0;
    for (SecureString* slot : passwords) {
        Generate(*stream, *slot);
        if (slot->IsEmpty()) {
            break;
        }
        ++generated;
        if (progress != nullptr) {
            progress->StepIt();
        }
    }
    return generated;
}

bool PasswordGenerator::GeneratePassword(SecureString& password) {
    password.Clear();
    const auto stream = CreateRandomStream(1);
    return Generate(*stream, password);
}

bool PasswordGenerator::Generate(CryptoRandomStreamBase& stream, SecureString& password) {
    password.Clear();
    if (m_policy.encoding == EncodingHexadecimal || m_policy.encoding == EncodingBase64) {
        GenerateEncodedPassword(password, stream);
        return true;
    }
    return GenerateStandard(stream, password);
}

bool PasswordGenerator::CanSatisfy(const PasswordPolicy& policy, const Charset& table) {
    std::int32_t demand = 0;
    for (int number = 0; number < kSetCount; ++number) {
        const std::int16_t count = policy.CountOf(number);
        if (count <= 0) {
            continue;
        }
        const int position = table.FindSetPosition(number);
        if (position < 0) {
            return false; // emptied by the excluded characters
        }
        if (!policy.repetition && count > table.GetSizes()[static_cast<std::size_t>(position)]) {
            return false;
        }
        demand += count;
    }
    return demand <= std::max<std::int32_t>(policy.length, 0);
}

void PasswordGenerator::ReportFailure() {
    if (m_ui != nullptr) {
        m_ui->ShowError(kGenerationErrorText);
    }
}

bool PasswordGenerator::GenerateStandard(CryptoRandomStreamBase& stream, SecureString& password) {
    const WaitCursor wait(m_ui);
    const Charset table(m_policy);
    // Demands no draw can meet would only burn all attempts.
    if (!CanSatisfy(m_policy, table)) {
        ReportFailure();
        return false;
    }
    const std::size_t length = static_cast<std::size_t>(std::max<std::int16_t>(m_policy.length, 0));
    const std::array<std::int16_t, kSetCount> counts = m_policy.Counts();
    std::u16string buffer(length, u'\0');
    const CryptoServiceProvider::ScopedStringWipe<char16_t> wipeBuffer(buffer);

    std::size_t draws = 0;
    for (int attempt = 0; attempt < kMaxAttempts && draws < kMaxDraws; ++attempt) {
        // Without repetition every attempt draws from (and shrinks) a fresh copy.
        std::optional<Charset> copy;
        if (!m_policy.repetition) {
            copy.emplace(table);
        }
        const Charset& current = copy ? *copy : table;
        std::array<std::int32_t, kSetCount> remaining{};
        std::size_t outstanding = 0;
        for (int number = 0; number < kSetCount; ++number) {
            remaining[static_cast<std::size_t>(number)] = counts[static_cast<std::size_t>(number)];
            outstanding +=
                static_cast<std::size_t>(std::max<std::int16_t>(counts[static_cast<std::size_t>(number)], 0));
        }
        std::fill(buffer.begin(), buffer.end(), u'\0');

        bool possible = true;
        for (std::size_t position = 0; position < length; ++position) {
            if (length - position < outstanding) {
                possible = false; // too few places left for what is still owed
                break;
            }
            if (current.GetTotal() < 1) {
                throw Exception(u"sum", u"Charset::Charset");
            }
            if (draws == kMaxDraws) {
                possible = false;
                break;
            }
            ++draws;
            const std::uint32_t r = stream.UniformBelow(static_cast<std::uint32_t>(current.GetTotal()));
            const std::size_t k = current.SetPositionOf(r);
            const std::size_t index = r % static_cast<std::uint32_t>(current.GetSizes()[k]);
            const int number = current.GetSetNumbers()[k];
            buffer[position] = current.GetSets()[k].characters[index];
            if (copy) {
                copy->RemoveCharacter(k, index);
            }
            std::int32_t& owed = remaining[static_cast<std::size_t>(number)];
            if (owed > 0) {
                --outstanding;
            }
            --owed;
        }
        if (possible && outstanding == 0) {
            password.Assign(buffer.data(), buffer.size());
            return true;
        }
    }
    ReportFailure();
    return false;
}

void PasswordGenerator::GenerateEncodedPassword(SecureString& password, CryptoRandomStreamBase& stream) {
    password.Clear();
    const std::size_t length = static_cast<std::size_t>(std::max<std::int16_t>(m_policy.length, 0));
    std::vector<std::uint8_t> bytes(length);
    const ScopedWipe wipeBytes(bytes.data(), bytes.size());
    if (length != 0) {
        stream.Fill(bytes);
    }
    std::string text = m_policy.encoding == EncodingBase64 ? ToBase64(bytes.data(), bytes.size())
                                                           : ToHexadecimal(bytes.data(), bytes.size());
    const CryptoServiceProvider::ScopedStringWipe<char> wipeText(text);
    if (text.empty()) {
        throw Exception(u"enc", kEncodedTarget);
    }
    // The text is ASCII: its UTF-8 decoding is a plain widening.
    std::u16string wide(text.size(), u'\0');
    const CryptoServiceProvider::ScopedStringWipe<char16_t> wipeWide(wide);
    for (std::size_t i = 0; i < text.size(); ++i) {
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    }
    if (wide.empty()) {
        throw Exception(u"conv", kEncodedTarget);
    }
    password.Assign(wide.data(), wide.size());
}

std::string PasswordGenerator::ToHexadecimal(const std::uint8_t* bytes, std::size_t length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * length); // one allocation: no stray copy is left by growing
    for (std::size_t i = 0; i < length; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string PasswordGenerator::ToBase64(const std::uint8_t* bytes, std::size_t length) {
    return Text::Base64::Encode(bytes, length, Text::Base64::NoLineBreaks);
}

} // namespace Tarnwick::PasswordGenerator
