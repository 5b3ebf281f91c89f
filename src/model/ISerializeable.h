#pragma once

#include "model/ByteBuffer.h"

namespace Tarnwick::PasswordADT {

// A record that writes its byte form into a buffer and reads it back from a stream.
class ISerializeable {
public:
    virtual ~ISerializeable() = default;
    // Appends the byte form; returns the buffer.
    virtual ByteBuffer& Serialize(ByteBuffer& buffer) const = 0;
    // Reads the byte form at the stream's position and advances it.
    virtual void Deserialize(ByteStream& stream) = 0;
};

} // namespace Tarnwick::PasswordADT
