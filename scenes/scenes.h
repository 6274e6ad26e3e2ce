// The eight scenes, in show order, each with its window on the show's
// timeline (base/timeline.h).
#pragma once

// A scene's result. It ran to its end; or it ends the show with its own
// message (a closing poll saw Escape); or it failed, and the show ends with
// status 1: its object data could not be used, its normals could not be
// built, or its set-up ran out of memory. Every failure has given back what
// the scene had taken.
constexpr int kSceneEndsShow = 0;
constexpr int kSceneRanToEnd = 1;
constexpr int kSceneBadObjectData = 2;
constexpr int kSceneNoNormals = 3;
constexpr int kSceneNoMemory = 4;

int scene_polar_wipe();
int scene_twisting_silhouette();
int scene_picture_wipes();
int scene_object_ring();
int scene_whirl_greetings();
int scene_hyperbolic_whirl();
int scene_replayed_object();  // ends early when the music ends
int scene_tunnel();           // kTunnelTicks from its own start, or from the
                              // seventh scene's limit in a show started later
