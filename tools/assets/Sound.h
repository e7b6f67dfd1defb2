// The flip click: a split-flap leaf landing on its stop.
#pragma once

#include <vector>

namespace art {

constexpr int kClickSamples = 4392;  // 8,784 bytes of 16-bit mono at 44,100 Hz

// Samples in [-1, 1]: a sharp strike, a short damped body, a smaller
// rebound strike, fading to silence.
std::vector<float> MakeClick();

}  // namespace art
