// The show's timeline on the show clock: the tick each scene's window starts
// at, and the show's last tick. The scenes' limits, the command line's
// --from, its help text and the capture's range all read it from here.
#pragma once
#include <cstdint>

enum ShowScene {
  kScenePolarWipe,
  kSceneTwistingSilhouette,
  kScenePictureWipes,
  kSceneObjectRing,
  kSceneWhirlGreetings,
  kSceneHyperbolicWhirl,
  kSceneReplayedObject,
  kSceneTunnel,
  kShowSceneCount
};

// Scene s's window is [kSceneStartTick[s], kSceneStartTick[s + 1]). The
// replayed object may end earlier, with the music; the tunnel then runs
// kTunnelTicks from its own start.
constexpr uint32_t kSceneStartTick[kShowSceneCount] = {0, 2940, 6795, 9451, 10451, 13121, 14191, 16191};
constexpr uint32_t kTunnelTicks = 4200;

// The last tick of a whole run (20391): the tunnel's end when nothing ends
// the seventh scene early. A starting point may name any tick up to it.
constexpr uint32_t kShowLastTick = kSceneStartTick[kSceneTunnel] + kTunnelTicks;

// The tick scene s's window ends at (the next scene's start; the tunnel's
// nominal end for the last).
constexpr uint32_t scene_end_tick(ShowScene s) {
  return s + 1 < kShowSceneCount ? kSceneStartTick[s + 1] : kShowLastTick;
}
