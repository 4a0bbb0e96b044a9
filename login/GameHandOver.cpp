#include "login/GameHandOver.h"

#include "game/OpenGameWindow.h"

namespace {

// The game window is created at most once per process; its record is
// process-wide for the same reason.
struct HandOverState {
  std::optional<GameHandOverRecord> last;
  std::size_t count = 0;
};

HandOverState& State() {
  static HandOverState state;
  return state;
}

}  // namespace

void HandOverToGame(const std::u16string& gameUrl, const std::u16string& uid, const std::u16string& token) {
  HandOverState& state = State();
  state.last = GameHandOverRecord{gameUrl, uid, token};
  ++state.count;
  OpenGameWindow(gameUrl, uid, token);
}

std::optional<GameHandOverRecord> LastGameHandOver() { return State().last; }

std::size_t GameHandOverCount() { return State().count; }

void ResetGameHandOvers() { State() = HandOverState{}; }
