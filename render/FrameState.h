#pragma once

// Values of the current frame that every draw uploads: "iTime",
// "viewportWidth" and "viewportHeight".
struct FrameState {
  float viewportWidth = 0.0f;
  float viewportHeight = 0.0f;
  float time = 0.0f;
};
