// The hand-over from the login window to the game window after a successful
// login: the one place where the login side asks for the game page to be
// opened with the player's uid and token. What it was given is kept as well,
// for the launcher's automation log and for tests.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

struct GameHandOverRecord {
  std::u16string gameUrl;  // the page the game window is to open
  std::u16string uid;
  std::u16string token;
};

// Creates the game window and opens gameUrl on it with uid and token (the
// game window appends them to the address). Called once per process, after
// the login window has hidden itself.
void HandOverToGame(const std::u16string& gameUrl, const std::u16string& uid, const std::u16string& token);

// The last hand-over of this process, and how many there were (0 before the
// first), for diagnostics and tests.
std::optional<GameHandOverRecord> LastGameHandOver();
std::size_t GameHandOverCount();
// Forgets the hand-overs made so far (tests that log in more than once).
void ResetGameHandOvers();
