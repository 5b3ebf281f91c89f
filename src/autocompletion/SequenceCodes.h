#pragma once

#include <cstdint>
#include <vector>

namespace Tarnwick::AutoCompletion {

// What a sequence is translated into before it runs. Below 500: a key (virtual key in the
// low byte, shift state in the high byte); 500 to 600: entry data; above 600: a field.
using SequenceCode = std::uint16_t;
using CodeList = std::vector<SequenceCode>;

inline constexpr SequenceCode kCodeTab = 9;
inline constexpr SequenceCode kCodeEnter = 13;
inline constexpr SequenceCode kCodeSpace = 32;
inline constexpr SequenceCode kCodeUserName = 500;
inline constexpr SequenceCode kCodePassword = 501;
inline constexpr SequenceCode kCodeMail = 502;
inline constexpr SequenceCode kCodeFirstData = 500;
inline constexpr SequenceCode kCodeFieldBase = 600;
inline constexpr SequenceCode kCodeFirstField = 601;
inline constexpr SequenceCode kCodeLastField = 700;

// User-defined fields are numbered from 1 in their stored order.
inline constexpr int kFirstFieldNumber = 1;
inline constexpr int kLastFieldNumber = 100;

} // namespace Tarnwick::AutoCompletion
