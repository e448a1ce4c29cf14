// Writers of made-up sound files, from the file layouts alone: generated tones
// as PCM and IMA ADPCM WAV files, and the containers around MP3 data (a WAV
// whose data is MP3, a BMU file). The MP3 data itself comes from DemoMp3.h.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace demo {

// One note of a tune: its pitch in hertz (0: a rest) and its length.
struct Note {
    double Pitch;
    int Milliseconds;
};
// A struck bell fades out; a horn holds its note with a few overtones.
enum class Timbre { Bell, Horn };
// 16-bit mono samples of a tune.
std::vector<std::int16_t> TuneSamples(int sampleRate, Timbre timbre, std::initializer_list<Note> notes);

// 16-bit mono PCM: a triangle wave of the given pitch.
std::string MakeWav(int sampleRate, int milliseconds, int pitch);
// 16-bit mono PCM of the samples.
std::string MakePcmWav(int sampleRate, const std::vector<std::int16_t> &samples);
// 4-bit IMA ADPCM of interleaved samples, in blocks of kAdpcmBlockAlign bytes
// per channel; the last block is filled up with silence and the fact chunk
// tells the true count of samples per channel.
constexpr int kAdpcmBlockAlign = 512;
std::string MakeAdpcmWav(int sampleRate, int channels, const std::vector<std::int16_t> &samples);
// Two channels of equal length interleaved, left first.
std::vector<std::int16_t> Interleave(const std::vector<std::int16_t> &left, const std::vector<std::int16_t> &right);
// A WAV file whose data is MP3 (format tag 0x55) holding sampleCount samples of
// mono sound encoded at kbps.
std::string MakeMp3Wav(int sampleRate, int kbps, std::uint32_t sampleCount, const std::string &mp3);
// A BMU file: the 8-byte text header "BMU V1.0" before the MP3 data.
std::string MakeBmu(const std::string &mp3);

} // namespace demo
