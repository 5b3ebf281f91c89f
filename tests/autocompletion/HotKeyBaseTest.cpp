// The global hot key over a fake grabber: registration, a combination another program holds,
// changes that keep the old key on failure, and the availability test that leaves nothing
// behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "autocompletion/HotKeyBase.h"
#include "base/exceptions/Exception.h"
#include "platform/x11/FakeDesktop.h"
#include "support/TemporaryXdgFolders.h"

namespace {

using Tarnwick::Core::HotKeyBase;
using Tarnwick::Platform::FakeHotKeyGrabber;
using Tarnwick::SmartTag::HotKeyManager;
using Utilities::Exceptions::WindowsException;

constexpr std::uint32_t kSuperShift = 8 | 4; // the default: Windows key + Shift
constexpr std::uint32_t kKeyA = 65;
constexpr std::uint32_t kSymA = 'a';

TEST(HotKeyBase, TheDefaultIsSuperShiftAOnTheLowerCaseSymbol) {
    FakeHotKeyGrabber grabber;
    HotKeyBase key(&grabber, kSuperShift, kKeyA);
    EXPECT_EQ(key.GetHotKeyID(), 1238);
    EXPECT_FALSE(key.IsRegistered());
    key.RegisterHotKey();
    EXPECT_TRUE(key.IsRegistered());
    EXPECT_EQ(grabber.grabbed.count({kSymA, kSuperShift}), 1u);
}

TEST(HotKeyBase, ACombinationAnotherProgramHoldsFailsWith1409) {
    FakeHotKeyGrabber grabber;
    grabber.taken.insert({kSymA, kSuperShift});
    HotKeyBase key(&grabber, kSuperShift, kKeyA);
    try {
        key.RegisterHotKey();
        FAIL() << "no exception";
    } catch (const WindowsException& exception) {
        EXPECT_EQ(exception.GetErrorCode(), 1409);
        EXPECT_EQ(exception.GetFunction().View(), u"RegisterHotKey");
        EXPECT_EQ(exception.GetTarget().View(), u"HotKeyManager::RegisterHotKey");
    }
    EXPECT_FALSE(key.IsRegistered());
    EXPECT_EQ(key.CheckHotKeyRegistration(kKeyA), HotKeyBase::HotKeyAlreadyRegistered);
}

TEST(HotKeyBase, TheAvailabilityTestLeavesNoGrabBehind) {
    FakeHotKeyGrabber grabber;
    HotKeyBase key(&grabber, kSuperShift, kKeyA);
    EXPECT_EQ(key.CheckHotKeyRegistration('B'), HotKeyBase::HotKeyFree);
    EXPECT_TRUE(grabber.grabbed.empty());
    EXPECT_EQ(key.CheckHotKeyRegistration(0xBA), HotKeyBase::HotKeyCheckFailed); // no symbol here
    // The own registration stays when the test is made for the registered key.
    key.RegisterHotKey();
    EXPECT_EQ(key.CheckHotKeyRegistration(kKeyA), HotKeyBase::HotKeyFree);
    EXPECT_EQ(grabber.grabbed.count({kSymA, kSuperShift}), 1u);
}

TEST(HotKeyBase, AFailedChangeKeepsTheOldKeyStored) {
    FakeHotKeyGrabber grabber;
    grabber.taken.insert({'q', kSuperShift});
    HotKeyBase key(&grabber, kSuperShift, kKeyA);
    key.RegisterHotKey();
    EXPECT_THROW(key.ChangeHotKey('Q'), WindowsException);
    EXPECT_EQ(key.GetVirtualKey(), kKeyA);
    EXPECT_FALSE(key.IsRegistered());
    key.ChangeHotKey('K', 2 | 1);
    EXPECT_TRUE(key.IsRegistered());
    EXPECT_EQ(key.GetVirtualKey(), static_cast<std::uint32_t>('K'));
    EXPECT_EQ(key.GetModifiers(), 3u);
    EXPECT_EQ(grabber.grabbed, (std::set<std::pair<std::uint32_t, unsigned>>{{'k', 3u}}));
}

TEST(HotKeyBase, TheDestructorGivesTheGrabUp) {
    FakeHotKeyGrabber grabber;
    {
        HotKeyBase key(&grabber, kSuperShift, kKeyA);
        key.RegisterHotKey();
    }
    EXPECT_TRUE(grabber.grabbed.empty());
}

TEST(HotKeyBase, VirtualKeysBecomeKeySymbols) {
    EXPECT_EQ(HotKeyBase::KeySymOf('A'), static_cast<std::uint32_t>('a'));
    EXPECT_EQ(HotKeyBase::KeySymOf('7'), static_cast<std::uint32_t>('7'));
    EXPECT_EQ(HotKeyBase::KeySymOf(0x70), 0xFFBEu); // F1
    EXPECT_EQ(HotKeyBase::KeySymOf(0x87), 0xFFD5u); // F24
    EXPECT_EQ(HotKeyBase::KeySymOf(0xDE), 0u);
}

TEST(HotKeyManager, FailuresAreShownWithTheirMessageAndReturnFalse) {
    TestSupport::TemporaryXdgFolders xdg;
    FakeHotKeyGrabber grabber;
    grabber.taken.insert({kSymA, kSuperShift});
    std::vector<std::u16string> shown;
    HotKeyManager manager(&grabber, kSuperShift, kKeyA, [&](std::u16string_view text) { shown.emplace_back(text); });
    EXPECT_FALSE(manager.Register());
    EXPECT_TRUE(manager.Change('B', kSuperShift));
    grabber.ungrabFails = true;
    EXPECT_FALSE(manager.Unregister());
    grabber.ungrabFails = false;
    EXPECT_EQ(shown, (std::vector<std::u16string>{u"Fehler beim Registrieren der Schnellzugriffstaste.",
                                                  u"Fehler beim Deregistrieren der Schnellzugriffstaste."}));
    grabber.taken.insert({'c', kSuperShift});
    EXPECT_FALSE(manager.Change('C', kSuperShift));
    EXPECT_EQ(shown.back(), u"Fehler beim Ändern der Schnellzugriffstaste.");
}

TEST(HotKeyManager, WithoutADesktopRegisteringFails) {
    TestSupport::TemporaryXdgFolders xdg;
    std::vector<std::u16string> shown;
    HotKeyManager manager(nullptr, kSuperShift, kKeyA, [&](std::u16string_view text) { shown.emplace_back(text); });
    EXPECT_FALSE(manager.Register());
    EXPECT_EQ(shown.size(), 1u);
}

} // namespace
