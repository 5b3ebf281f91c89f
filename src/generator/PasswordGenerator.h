#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "crypto/CryptoRandomStreamBase.h"
#include "crypto/RandomBase.h"
#include "crypto/SecureString.h"
#include "generator/Charset.h"
#include "generator/CryptoRandomStream.h"
#include "generator/Entropy.h"
#include "generator/PasswordPolicy.h"
#include "platform/SystemState.h"

namespace Tarnwick::PasswordGenerator {

// The one message the generator shows itself.
inline constexpr std::u16string_view kGenerationErrorText =
    u"Error 0xE9000 occurred while generating password";
// The entropy dialog.
inline constexpr std::u16string_view kEntropyDialogCaption = u"Entropie sammeln";
inline constexpr std::u16string_view kEntropyDialogText =
    u"Bewegen Sie die Maus innerhalb des Feldes bis die Fortschrittsanzeige gefüllt ist. Das Dialogfenster "
    u"schließt sich automatisch.";

// What the generator needs from the window it runs in.
class IGeneratorUI {
public:
    virtual ~IGeneratorUI() = default;
    // A message box with the product title.
    virtual void ShowError(std::u16string_view message) = 0;
    virtual void BeginWaitCursor() {}
    virtual void EndWaitCursor() {}
    // Runs the entropy dialog: every mouse movement over its field goes to the collector,
    // until the collector is complete or the user cancels.
    virtual void CollectMouseEntropy(MouseEntropy& collector) = 0;
};

// The progress bar of a list generation.
class IGenerationProgress {
public:
    virtual ~IGenerationProgress() = default;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetStep(int step) = 0;
    virtual void StepIt() = 0;
};

// Generates passwords under one policy. Passwords only ever leave as secure strings; the
// plain buffers they are built in are wiped.
class PasswordGenerator {
public:
    static constexpr int kMaxAttempts = 25000;
    // Draws over all attempts of one password, far more than any policy that is met other than
    // by rare chance needs (the default one takes a few dozen). The attempt bound alone let a
    // long policy of that kind (a policy file may hold one) draw 25000 x 1024 characters on
    // the user-interface thread.
    static constexpr std::size_t kMaxDraws = 100000;
    // Mouse samples per generated character, as the generator page asks for.
    static constexpr std::size_t kSamplesPerCharacter = 32;

    // ui may be null: no wait cursor, no message, no mouse entropy. parentWindow is hashed
    // into the system entropy.
    explicit PasswordGenerator(const PasswordPolicy& policy, IGeneratorUI* ui = nullptr,
                               std::uint32_t parentWindow = 0);

    const PasswordPolicy& GetPolicy() const noexcept { return m_policy; }
    // Mouse samples wanted per password (default 32 x the length).
    void SetMouseSamplesPerPassword(std::size_t samples) noexcept { m_samplesPerPassword = samples; }
    std::size_t GetMouseSamplesPerPassword() const noexcept { return m_samplesPerPassword; }
    // Entropy sources; null restores the system's own (getrandom, the running system).
    void SetStrongRandom(CryptoServiceProvider::Random::RandomBase* strong) noexcept { m_strong = strong; }
    void SetSystemState(Platform::ISystemState* state) noexcept { m_systemState = state; }

    // Fills every slot from one random stream; stops at the first password that comes back
    // empty. A null slot throws (context "PasswordGenerator::GeneratePasswords") before
    // anything is generated. Returns the number of passwords generated.
    std::size_t GeneratePasswords(IGenerationProgress* progress,
                                  std::span<StringServiceProvider::SecureString* const> passwords);
    // One password with a random stream of its own; false (and an empty string) on failure.
    bool GeneratePassword(StringServiceProvider::SecureString& password);

    // The random stream of one call: system entropy and mouse entropy as the policy asks.
    std::unique_ptr<Crypto::CryptoRandomStream> CreateRandomStream(std::size_t passwords);

    // One password from the given stream, in the policy's encoding. The output is emptied
    // first. Standard encoding: character-table exceptions ("sum", "len") reach the caller;
    // demands that cannot be met show kGenerationErrorText and return false.
    bool Generate(CryptoServiceProvider::Random::CryptoRandomStreamBase& stream,
                  StringServiceProvider::SecureString& password);
    // length random bytes as upper-case hexadecimal (encoding 1) or Base64 (encoding 2).
    // "enc" / "conv" (context "PasswordGenerator::GenerateEncodedPassword") for an empty result.
    void GenerateEncodedPassword(StringServiceProvider::SecureString& password,
                                 CryptoServiceProvider::Random::CryptoRandomStreamBase& stream);

    // Whether any draw from the table can meet the policy's demands: every chosen set is in
    // the table (with enough characters when none may repeat) and the counts fit the length.
    static bool CanSatisfy(const PasswordPolicy& policy, const Charset& table);

    // "0123456789ABCDEF", high nibble first.
    static std::string ToHexadecimal(const std::uint8_t* bytes, std::size_t length);
    // Standard alphabet, "=" padding, no line breaks.
    static std::string ToBase64(const std::uint8_t* bytes, std::size_t length);

private:
    bool GenerateStandard(CryptoServiceProvider::Random::CryptoRandomStreamBase& stream,
                          StringServiceProvider::SecureString& password);
    void ReportFailure();

    PasswordPolicy m_policy;
    IGeneratorUI* m_ui;
    std::uint32_t m_parentWindow;
    std::size_t m_samplesPerPassword;
    CryptoServiceProvider::Random::RandomBase* m_strong = nullptr;
    Platform::ISystemState* m_systemState = nullptr;
};

} // namespace Tarnwick::PasswordGenerator
