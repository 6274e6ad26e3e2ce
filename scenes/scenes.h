// The eight scenes, in show order. Each returns 1 when it ran to its end and
// 0 when a closing poll saw Escape or its set-up could not allocate memory.
#pragma once

// A scene's result: it ran to its end, or it ends the show with its message.
constexpr int kSceneRanToEnd = 1;
constexpr int kSceneEndsShow = 0;

int scene_polar_wipe();          // until tick 2,940
int scene_twisting_silhouette(); // until tick 6,795
int scene_picture_wipes();       // until tick 9,451
int scene_object_ring();         // until tick 10,451
int scene_whirl_greetings();     // until tick 13,121
int scene_hyperbolic_whirl();    // until tick 14,191
int scene_replayed_object();     // until tick 16,191 or the end of the music
int scene_tunnel();              // 4,200 ticks from its own start (16,191 at the latest)
