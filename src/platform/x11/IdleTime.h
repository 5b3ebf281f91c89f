#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace Tarnwick::Platform {

// How long the user has left keyboard and mouse alone.
class IIdleTimeSource {
public:
    virtual ~IIdleTimeSource() = default;
    // Milliseconds since the last input anywhere on the display; nullopt when it cannot be told.
    virtual std::optional<std::uint64_t> IdleMilliseconds() = 0;
};

// The X screen-saver extension's idle counter, over a display connection of its own.
// nullptr when there is no X display or the server lacks the extension.
std::unique_ptr<IIdleTimeSource> CreateX11IdleTimeSource();

// Answers what a test sets.
class FakeIdleTimeSource final : public IIdleTimeSource {
public:
    std::optional<std::uint64_t> IdleMilliseconds() override {
        ++queries;
        return idle;
    }

    std::optional<std::uint64_t> idle;
    int queries = 0;
};

} // namespace Tarnwick::Platform
