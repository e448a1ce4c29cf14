#include "DemoSounds.h"

#include "testdata/ByteBuilder.h"

#include <algorithm>
#include <cmath>

using testdata::ByteBuilder;

namespace demo {

namespace {

constexpr double kPi = 3.14159265358979323846;

// WAV format tags.
constexpr std::uint16_t kFormatPcm = 0x0001;
constexpr std::uint16_t kFormatImaAdpcm = 0x0011;
constexpr std::uint16_t kFormatMpegLayer3 = 0x0055;

// A RIFF WAVE file: the "fmt " chunk (format fields after the tag), an optional
// "fact" chunk with the count of samples, and the data (padded to an even size).
std::string RiffWave(std::uint16_t formatTag, const std::string &format, const std::string &data,
                     bool withFact, std::uint32_t sampleCount)
{
    ByteBuilder chunks;
    chunks.Bytes("fmt ").U32(static_cast<std::uint32_t>(2 + format.size())).U16(formatTag).Bytes(format);
    if (withFact)
        chunks.Bytes("fact").U32(4).U32(sampleCount);
    chunks.Bytes("data").U32(static_cast<std::uint32_t>(data.size())).Bytes(data);
    if (data.size() % 2)
        chunks.U8(0);
    ByteBuilder out;
    out.Bytes("RIFF").U32(static_cast<std::uint32_t>(4 + chunks.Size())).Bytes("WAVE").Bytes(chunks.Data());
    return out.Take();
}

// IMA ADPCM: the step sizes and how each 4-bit code moves through them.
constexpr int kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kImaIndexMoves[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct ImaEncoder {
    int Predictor = 0;
    int Index = 0;

    // The 4-bit code that brings the decoder's predictor nearest to sample;
    // moves this encoder's predictor as the decoder's will move.
    std::uint8_t Encode(int sample)
    {
        int step = kImaSteps[Index];
        int difference = sample - Predictor;
        std::uint8_t code = 0;
        if (difference < 0) {
            code = 8;
            difference = -difference;
        }
        int change = step >> 3;
        for (std::uint8_t bit = 4; bit; bit >>= 1) {
            if (difference >= step) {
                code |= bit;
                difference -= step;
                change += step;
            }
            step >>= 1;
        }
        Predictor = std::clamp(code & 8 ? Predictor - change : Predictor + change, -32768, 32767);
        Index = std::clamp(Index + kImaIndexMoves[code], 0, 88);
        return code;
    }
};

} // namespace

std::vector<std::int16_t> TuneSamples(int sampleRate, Timbre timbre, std::initializer_list<Note> notes)
{
    std::vector<std::int16_t> samples;
    const double amplitude = 11000;
    for (const Note &note : notes) {
        const int count = sampleRate * note.Milliseconds / 1000;
        for (int i = 0; i < count; ++i) {
            const double t = double(i) / sampleRate;
            double value = 0;
            if (note.Pitch > 0) {
                const double phase = 2 * kPi * note.Pitch * t;
                if (timbre == Timbre::Bell) {
                    value = (std::sin(phase) + 0.3 * std::sin(2.76 * phase)) * std::exp(-3.5 * t);
                } else {
                    value = 0.7 * std::sin(phase) + 0.25 * std::sin(2 * phase) + 0.12 * std::sin(3 * phase);
                    const double fromEnd = double(count - i) / sampleRate;
                    value *= std::min({1.0, t / 0.04, fromEnd / 0.06}); // soft attack and release
                }
            }
            const double attack = std::min(1.0, t / 0.005); // no click at the start of a note
            samples.push_back(static_cast<std::int16_t>(std::lround(amplitude * attack * value)));
        }
    }
    return samples;
}

std::string MakeWav(int sampleRate, int milliseconds, int pitch)
{
    const int count = sampleRate * milliseconds / 1000;
    const int period = sampleRate / pitch;
    const int amplitude = 12000;
    std::vector<std::int16_t> samples;
    for (int i = 0; i < count; ++i) {
        const int phase = i % period; // 0 .. period-1
        const int rising = phase < period / 2 ? phase : period - phase;
        samples.push_back(static_cast<std::int16_t>(-amplitude + 4 * amplitude * rising / period));
    }
    return MakePcmWav(sampleRate, samples);
}

std::string MakePcmWav(int sampleRate, const std::vector<std::int16_t> &samples)
{
    ByteBuilder format;
    format.U16(1).U32(static_cast<std::uint32_t>(sampleRate)).U32(static_cast<std::uint32_t>(sampleRate) * 2);
    format.U16(2).U16(16);
    ByteBuilder data;
    for (std::int16_t sample : samples)
        data.U16(static_cast<std::uint16_t>(sample));
    return RiffWave(kFormatPcm, format.Data(), data.Data(), false, 0);
}

std::vector<std::int16_t> Interleave(const std::vector<std::int16_t> &left, const std::vector<std::int16_t> &right)
{
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < left.size() && i < right.size(); ++i) {
        samples.push_back(left[i]);
        samples.push_back(right[i]);
    }
    return samples;
}

std::string MakeAdpcmWav(int sampleRate, int channels, const std::vector<std::int16_t> &samples)
{
    // Each block: per channel the first sample whole and the step index; then
    // per channel in turn four bytes of eight 4-bit codes (the earlier sample
    // in the low nibble).
    const auto count = std::size_t(channels);
    const std::size_t blockAlign = std::size_t(kAdpcmBlockAlign) * count;
    const std::size_t samplesPerBlock = (blockAlign - 4 * count) * 2 / count + 1; // per channel
    const std::size_t frames = samples.size() / count;
    const std::size_t blocks = (frames + samplesPerBlock - 1) / samplesPerBlock;
    auto sampleAt = [&](std::size_t frame, std::size_t channel) {
        return frame < frames ? int(samples[frame * count + channel]) : 0;
    };

    ByteBuilder data;
    std::vector<ImaEncoder> encoders(count);
    for (std::size_t block = 0; block < blocks; ++block) {
        const std::size_t first = block * samplesPerBlock;
        for (std::size_t channel = 0; channel < count; ++channel) {
            encoders[channel].Predictor = sampleAt(first, channel);
            data.U16(static_cast<std::uint16_t>(static_cast<std::int16_t>(encoders[channel].Predictor)));
            data.U8(static_cast<std::uint8_t>(encoders[channel].Index)).U8(0);
        }
        for (std::size_t group = first + 1; group < first + samplesPerBlock; group += 8)
            for (std::size_t channel = 0; channel < count; ++channel)
                for (std::size_t i = 0; i < 8; i += 2) {
                    const std::uint8_t low = encoders[channel].Encode(sampleAt(group + i, channel));
                    const std::uint8_t high = encoders[channel].Encode(sampleAt(group + i + 1, channel));
                    data.U8(static_cast<std::uint8_t>(low | (high << 4)));
                }
    }

    const auto rate = static_cast<std::uint32_t>(sampleRate);
    ByteBuilder format;
    format.U16(static_cast<std::uint16_t>(channels)).U32(rate);
    format.U32(static_cast<std::uint32_t>(std::uint64_t(rate) * blockAlign / samplesPerBlock));
    format.U16(static_cast<std::uint16_t>(blockAlign)).U16(4);
    format.U16(2).U16(static_cast<std::uint16_t>(samplesPerBlock)); // extra size, samples per block
    return RiffWave(kFormatImaAdpcm, format.Data(), data.Data(), true, static_cast<std::uint32_t>(frames));
}

std::string MakeMp3Wav(int sampleRate, int kbps, std::uint32_t sampleCount, const std::string &mp3)
{
    const auto rate = static_cast<std::uint32_t>(sampleRate);
    const std::uint32_t bitsPerSecond = static_cast<std::uint32_t>(kbps) * 1000;
    // MPEG-1 frames hold 1152 samples, the MPEG-2 ones below 32 kHz 576.
    const std::uint32_t samplesPerFrame = rate >= 32000 ? 1152 : 576;
    ByteBuilder format;
    format.U16(1).U32(rate).U32(bitsPerSecond / 8).U16(1).U16(0);
    format.U16(12);                                              // extra size
    format.U16(1);                                               // MPEG
    format.U32(2);                                               // no padding flag
    format.U16(static_cast<std::uint16_t>(samplesPerFrame / 8 * bitsPerSecond / rate)); // frame size
    format.U16(1);                                               // frames per block
    format.U16(1393);                                            // codec delay
    return RiffWave(kFormatMpegLayer3, format.Data(), mp3, true, sampleCount);
}

std::string MakeBmu(const std::string &mp3)
{
    return "BMU V1.0" + mp3;
}

} // namespace demo
