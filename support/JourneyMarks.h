// Time marks of a player's journey through the launcher, for the benchmark
// that times the whole journey from outside (bench/journey.sh): the points it
// measures between, each named by a fixed word. A mark reaches a sink only
// when one is set, which the automation driver does; without one a mark
// costs the test of an empty function and the launcher behaves as it would
// without marks.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace journey {

// The points, in the order a journey reaches them.
inline constexpr std::string_view kFirstFrame = "first-frame";  // the login window's first frame drawn
inline constexpr std::string_view kLogin = "login";             // a login submitted (click or Enter)
inline constexpr std::string_view kServerList = "server-list";  // a size from the server list's META applied
inline constexpr std::string_view kServerClick = "server-click";  // a server's game link taken
inline constexpr std::string_view kGamePage = "game-page";        // the game page loaded

// Receives each mark with the monotonic clock's time (CLOCK_MONOTONIC, ns),
// the clock other processes on the machine can compare with.
using MarkSink = std::function<void(std::string_view point, std::uint64_t monotonicNs)>;

// Replaces the sink; an empty one stops the marks.
void SetMarkSink(MarkSink sink);
// Hands the point and the time now to the sink, if there is one.
void Mark(std::string_view point);
std::uint64_t MonotonicNanoseconds();

}  // namespace journey
