// What the clipboard backup makes of another program's answers, without an X server: the
// owner may answer anything, in any format.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/x11/SelectionData.h"

namespace {

using namespace Tarnwick::Platform;
using namespace Tarnwick::Platform::X11;

// A piece in a buffer of exactly the size Xlib allocates, so that AddressSanitizer sees a
// read past what the owner sent.
struct Answer {
    std::string type;
    int format = 8;
    std::vector<long> items; // as the format's width takes them
    unsigned long after = 0;
};

class ScriptedSource final : public IPropertySource {
public:
    explicit ScriptedSource(std::deque<Answer> answers) : m_answers(std::move(answers)) {}
    ~ScriptedSource() override { std::free(m_buffer); }

    bool First(PropertyPiece& piece) override { return Take(piece); }
    bool Next(PropertyPiece& piece) override { return Take(piece); }

private:
    bool Take(PropertyPiece& piece) {
        if (m_answers.empty()) {
            return false;
        }
        const Answer answer = m_answers.front();
        m_answers.pop_front();
        std::free(m_buffer);
        const std::size_t bytes = PropertyBytes(answer.format, answer.items.size());
        m_buffer = static_cast<unsigned char*>(std::malloc(bytes + 1));
        for (std::size_t i = 0; i < answer.items.size(); ++i) {
            if (answer.format == 32) {
                std::memcpy(m_buffer + i * sizeof(long), &answer.items[i], sizeof(long));
            } else if (answer.format == 16) {
                const auto value = static_cast<short>(answer.items[i]);
                std::memcpy(m_buffer + i * sizeof(short), &value, sizeof value);
            } else {
                m_buffer[i] = static_cast<unsigned char>(answer.items[i]);
            }
        }
        m_buffer[bytes] = 0;
        piece.type = answer.type;
        piece.format = answer.format;
        piece.data = m_buffer;
        piece.count = answer.items.size();
        piece.after = answer.after;
        return true;
    }

    std::deque<Answer> m_answers;
    unsigned char* m_buffer = nullptr;
};

Answer Text(const std::string& text) {
    Answer answer{"UTF8_STRING", 8, {}};
    for (char c : text) {
        answer.items.push_back(static_cast<unsigned char>(c));
    }
    return answer;
}

std::string Data(const SelectionItem& item) { return std::string(item.data.begin(), item.data.end()); }

TEST(SelectionData, AnIncrAnnouncementOfOneByteIsNoSizeAndIsNotReadAsALong) {
    // A format-8 INCR answer of one byte used to be read as a long: eight bytes from a buffer
    // of two.
    ScriptedSource source({Answer{"INCR", 8, {0x7f}}, Text("Hallo "), Text("Welt"), Text("")});
    SelectionItem item;
    bool tooLarge = false;
    EXPECT_TRUE(ReadProperty(source, item, 1024, tooLarge));
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(Data(item), "Hallo Welt");
}

TEST(SelectionData, AnIncrTransferAnnouncedOverTheLimitIsNotRead) {
    ScriptedSource source({Answer{"INCR", 32, {5000}}, Text("nie gelesen")});
    SelectionItem item;
    bool tooLarge = false;
    EXPECT_FALSE(ReadProperty(source, item, 1024, tooLarge));
    EXPECT_TRUE(tooLarge);
    EXPECT_TRUE(item.data.empty());
}

TEST(SelectionData, AnIncrTransferThatGrowsOverTheLimitStops) {
    const std::string chunk(600, 'x');
    ScriptedSource source({Answer{"INCR", 32, {10}}, Text(chunk), Text(chunk), Text(chunk), Text("")});
    SelectionItem item;
    bool tooLarge = false;
    EXPECT_FALSE(ReadProperty(source, item, 1024, tooLarge));
    EXPECT_TRUE(tooLarge);
}

TEST(SelectionData, AnOwnerThatStopsInTheMiddleOfATransferGivesNothing) {
    ScriptedSource source({Answer{"INCR", 32, {10}}, Text("halb")});
    SelectionItem item;
    bool tooLarge = false;
    EXPECT_FALSE(ReadProperty(source, item, 1024, tooLarge));
    EXPECT_FALSE(tooLarge);
}

TEST(SelectionData, ThirtyTwoBitItemsKeepFourBytesEachAndAreServedAsLongs) {
    ScriptedSource source({Answer{"ATOM", 32, {1, 0x7fffffff, 0xdeadbeef}}});
    SelectionItem item;
    bool tooLarge = false;
    ASSERT_TRUE(ReadProperty(source, item, 1024, tooLarge));
    ASSERT_EQ(item.data.size(), 12u);
    EXPECT_EQ(TargetAtoms(item), (std::vector<std::uint32_t>{1, 0x7fffffff, 0xdeadbeef}));
    int count = 0;
    const WipedBytes served = WidenedItems(item.data, count);
    ASSERT_EQ(count, 3);
    long third = 0;
    std::memcpy(&third, served.data() + 2 * sizeof(long), sizeof third);
    EXPECT_EQ(static_cast<std::uint32_t>(third), 0xdeadbeefu);
}

TEST(SelectionData, AMissingPropertyOrOneWithMoreBehindItIsNotKept) {
    ScriptedSource missing({Answer{"", 0, {}}});
    SelectionItem item;
    bool tooLarge = false;
    EXPECT_FALSE(ReadProperty(missing, item, 1024, tooLarge));
    EXPECT_FALSE(tooLarge);
}

TEST(SelectionData, APropertyOverTheLimitIsNotKeptEvenWhenItCameWhole) {
    // The read asks for whole 32-bit units, so up to three bytes more than the limit arrive.
    ScriptedSource source({Text(std::string(1026, 'x'))});
    SelectionItem item;
    bool tooLarge = false;
    EXPECT_FALSE(ReadProperty(source, item, 1024, tooLarge));
    EXPECT_TRUE(tooLarge);
    EXPECT_TRUE(item.data.empty());
}

TEST(SelectionData, AnIncrPieceWithMoreBehindItEndsTheTransfer) {
    // The source reads each piece only up to the limit; more behind it is too much.
    Answer big = Text("abc");
    big.after = 1u << 30;
    ScriptedSource source({Answer{"INCR", 32, {10}}, big, Text("")});
    SelectionItem item;
    bool tooLarge = false;
    EXPECT_FALSE(ReadProperty(source, item, 1024, tooLarge));
    EXPECT_TRUE(tooLarge);
}

// The owner's answers by target, for the capture.
struct Owner {
    std::map<std::uint32_t, Answer> answers;
    std::vector<std::uint32_t> asked;

    ConvertTarget Convert() {
        return [this](std::uint32_t target, SelectionItem& item, bool& tooLarge) {
            asked.push_back(target);
            const auto found = answers.find(target);
            if (found == answers.end()) {
                return false;
            }
            ScriptedSource source({found->second});
            return ReadProperty(source, item, 4096, tooLarge);
        };
    }
};

std::string NameOf(std::uint32_t atom) {
    switch (atom) {
    case 1:
        return "TARGETS";
    case 2:
        return std::string(kSecretHintTarget);
    case 3:
        return "UTF8_STRING";
    case 4:
        return "MULTIPLE";
    case 5:
        return "image/png";
    default:
        return "";
    }
}

TEST(SelectionData, ACaptureKeepsEveryTargetButTheProtocolsOwnAndCountsTheLargeOnes) {
    Owner owner;
    owner.answers[1] = Answer{"ATOM", 32, {1, 3, 4, 5, 99}};
    owner.answers[3] = Text("Einkaufsliste");
    owner.answers[5] = Text(std::string(5000, 'p'));
    const SelectionSnapshot snapshot = CaptureTargets(owner.Convert(), NameOf, 1, 2);
    ASSERT_EQ(snapshot.items.size(), 1u);
    EXPECT_EQ(snapshot.items[0].target, "UTF8_STRING");
    EXPECT_EQ(Data(snapshot.items[0]), "Einkaufsliste");
    EXPECT_EQ(snapshot.skipped, 1u);
    // TARGETS, then UTF8_STRING and image/png; neither TARGETS again, MULTIPLE nor a nameless atom.
    EXPECT_EQ(owner.asked, (std::vector<std::uint32_t>{1, 3, 5}));
}

TEST(SelectionData, ASecretIsNotKept) {
    Owner owner;
    owner.answers[1] = Answer{"ATOM", 32, {3, 2}};
    owner.answers[2] = Text("secret");
    owner.answers[3] = Text("P@ß wörd");
    const SelectionSnapshot snapshot = CaptureTargets(owner.Convert(), NameOf, 1, 2);
    EXPECT_TRUE(snapshot.secret);
    EXPECT_TRUE(snapshot.items.empty());
    EXPECT_EQ(owner.asked, (std::vector<std::uint32_t>{1, 2}));
}

TEST(SelectionData, ATargetListNotOfThirtyTwoBitItemsIsNoList) {
    Owner owner;
    owner.answers[1] = Text("\x03\x00\x00\x00");
    const SelectionSnapshot snapshot = CaptureTargets(owner.Convert(), NameOf, 1, 2);
    EXPECT_TRUE(snapshot.items.empty());
    EXPECT_EQ(owner.asked.size(), 1u);
}

TEST(SelectionData, AtMostSixtyFourTargetsAreAskedFor) {
    Owner owner;
    owner.answers[1] = Answer{"ATOM", 32, std::vector<long>(500, 3)};
    owner.answers[3] = Text("x");
    const SelectionSnapshot snapshot = CaptureTargets(owner.Convert(), NameOf, 1, 2);
    EXPECT_EQ(snapshot.items.size(), kMaxCapturedTargets);
}

} // namespace
