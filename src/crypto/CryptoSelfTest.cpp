#include "crypto/CryptoSelfTest.h"

#include "crypto/Blowfish.h"
#include "crypto/HashBaseWin.h"
#include "crypto/Rijndael256.h"
#include "crypto/RipeMD320.h"

namespace CryptoServiceProvider {

namespace {

template <typename Primitive>
bool FreshSelfTest() {
    Primitive primitive;
    return primitive.SelfTest();
}

} // namespace

std::vector<SelfTestStep> StartupSelfTestSteps() {
    return {
        {u"Blowfish", FreshSelfTest<Encryption::Blowfish>},
        {u"Rijndael256", FreshSelfTest<Encryption::Rijndael256>},
        {u"RipeMD320", FreshSelfTest<Hashing::RipeMD320>},
        {u"Sha1Win", FreshSelfTest<Hashing::Sha1Win>},
        {u"Sha256Win", FreshSelfTest<Hashing::Sha256Win>},
        {u"Sha512Win", FreshSelfTest<Hashing::Sha512Win>},
    };
}

bool RunSelfTest(const std::vector<SelfTestStep>& steps, std::size_t* ranSteps) {
    std::size_t ran = 0;
    bool passed = true;
    for (const auto& step : steps) {
        ++ran;
        try {
            passed = step.run();
        } catch (...) {
            passed = false;
        }
        if (!passed) {
            break;
        }
    }
    if (ranSteps != nullptr) {
        *ranSteps = ran;
    }
    return passed;
}

bool RunStartupSelfTest() { return RunSelfTest(StartupSelfTestSteps()); }

} // namespace CryptoServiceProvider
