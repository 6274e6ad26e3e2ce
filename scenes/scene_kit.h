// What the scenes share: pictures by role, palette conversion, the common
// pixel arithmetic.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/content.h"
#include "display/display.h"

// Bytes of one 320x200 frame of 32-bit pixels.
constexpr size_t kFrameBytes = kFramePixels * sizeof(uint32_t);

// The buffers of one scene run. A scene keeps one of these in its state
// record and takes every buffer from it; the destructor frees them all, so
// every return path of the scene (Escape, a failed allocation, the end)
// gives its memory back. Buffers are zeroed, so a picture that fails to
// decode shows black.
struct SceneMemory {
  static constexpr int kCapacity = 16;
  void* block[kCapacity] = {};
  int count = 0;
  bool failed = false;  // an allocation failed (or the list was full)

  SceneMemory() = default;
  SceneMemory(const SceneMemory&) = delete;
  SceneMemory& operator=(const SceneMemory&) = delete;
  ~SceneMemory() { release(); }

  // count zeroed elements of T, or null (and failed set) when memory runs out.
  // After a failure every later take returns null without asking for memory,
  // so a scene takes all its buffers and tests failed once.
  template <typename T>
  T* take(size_t elements) {
    if (failed || count == kCapacity) {
      failed = true;
      return nullptr;
    }
    void* p = std::calloc(elements ? elements : 1, sizeof(T));
    if (!p) {
      failed = true;
      return nullptr;
    }
    block[count++] = p;
    return static_cast<T*>(p);
  }
  // Takes a buffer for each pair of a pointer and an element count, in order:
  //   memory.take_each(s.frame, kFramePixels, s.indices, kFramePixels)
  // True when all were taken; false, with every buffer of this memory freed,
  // when one could not be.
  bool take_each() {
    if (!failed) return true;
    release();
    return false;
  }
  template <typename T, typename... Rest>
  bool take_each(T*& buffer, size_t elements, Rest&&... rest) {
    buffer = take<T>(elements);
    return take_each(static_cast<Rest&&>(rest)...);
  }

  // Frees every buffer taken so far and forgets a failure; safe to call again.
  void release() {
    for (int i = 0; i < count; i++) std::free(block[i]);
    count = 0;
    failed = false;
  }
};

// The usual start of a frame: false when a poll sees Escape, or else when the
// show clock reads past limit (compared unsigned). Phases that test in
// another order, or do not poll, spell their tests out.
bool frame_goes_on(uint32_t limit);

// The closing poll of a scene: polls for Escape once and returns
// kSceneRanToEnd when it sees none, kSceneEndsShow when it does.
int scene_closing_poll();

// A pixel at half brightness; the average of two pixels is the sum of halves.
constexpr uint32_t half_brightness(uint32_t p) { return (p >> 1) & 0x7F7F7F; }

// Decodes the embedded picture of a role into indices (at most capacity bytes)
// and a 768-byte palette of 6-bit components. Returns iff_decode's result:
// kIffDecoded or kIffFailed (the scenes take the embedded pictures as valid
// and go on with whatever was decoded).
int load_picture(PictureRole role, uint8_t* indices, size_t capacity, uint8_t* palette);

// Turns count indices into 0x00RRGGBB pixels, each 6-bit palette component
// shifted left by 2.
void indexed_to_rgb32(uint32_t* pixels, const uint8_t* indices, const uint8_t* palette, size_t count);
