// MP3 encoding of the demo's tunes at build time, through GStreamer's MP3
// encoder element (constant bit rate, so the same samples always give the same bytes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

// Encodes 16-bit mono samples into MP3 frames at kbps; throws
// std::runtime_error when the encoder is missing or fails.
std::string EncodeMp3(int sampleRate, int kbps, const std::vector<std::int16_t> &samples);

} // namespace demo
