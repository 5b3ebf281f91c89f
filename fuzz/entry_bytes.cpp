// The byte form of a password entry (the decrypted body of a record behind its folder
// number): whatever it reads must write back, and the written form must read back the same.
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "base/exceptions/Exception.h"
#include "model/ByteBuffer.h"
#include "model/PasswordItem.h"

using Tarnwick::PasswordADT::ByteBuffer;
using Tarnwick::PasswordADT::ByteStream;
using Tarnwick::PasswordADT::PasswordItem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PasswordItem item;
    ByteStream stream(data, size);
    try {
        item.Deserialize(stream);
    } catch (const Utilities::Exceptions::Exception&) {
        return 0;
    }
    if (stream.Position() > size) {
        TwFuzz::Broken("the reader went past the end");
    }
    ByteBuffer first;
    try {
        item.Serialize(first);
    } catch (const Utilities::Exceptions::Exception&) {
        TwFuzz::Broken("an entry read from a byte form cannot be written");
    }
    if (first.Size() != item.SerializedSize()) {
        TwFuzz::Broken("the announced size differs from the written one");
    }
    PasswordItem again;
    ByteStream secondStream(first);
    try {
        again.Deserialize(secondStream);
    } catch (const Utilities::Exceptions::Exception&) {
        TwFuzz::Broken("a written byte form cannot be read");
    }
    if (!secondStream.AtEnd()) {
        TwFuzz::Broken("a written byte form is longer than what reads it");
    }
    ByteBuffer second;
    again.Serialize(second);
    if (second.Size() != first.Size() || std::memcmp(second.Data(), first.Data(), first.Size()) != 0) {
        TwFuzz::Broken("the byte form changes on a second round trip");
    }
    return 0;
}
