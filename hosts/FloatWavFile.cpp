#include "hosts/FloatWavFile.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace hosts
{
namespace
{
    void put16 (std::string& out, uint16_t v) { out.append (reinterpret_cast<const char*> (&v), 2); }
    void put32 (std::string& out, uint32_t v) { out.append (reinterpret_cast<const char*> (&v), 4); }
    uint16_t get16 (const std::string& in, size_t at) { uint16_t v; std::memcpy (&v, in.data() + at, 2); return v; }
    uint32_t get32 (const std::string& in, size_t at) { uint32_t v; std::memcpy (&v, in.data() + at, 4); return v; }
} // namespace

bool writeFloatWav (const std::string& path, const Audio& audio)
{
    const auto channels = static_cast<uint32_t> (audio.numChannels());
    const auto frames = static_cast<uint32_t> (audio.numSamples());
    const uint32_t dataBytes = channels * frames * 4;

    std::string out;
    out += "RIFF";
    put32 (out, 36 + dataBytes);
    out += "WAVEfmt ";
    put32 (out, 16);
    put16 (out, 3); // IEEE float
    put16 (out, static_cast<uint16_t> (channels));
    put32 (out, static_cast<uint32_t> (audio.sampleRate));
    put32 (out, static_cast<uint32_t> (audio.sampleRate) * channels * 4);
    put16 (out, static_cast<uint16_t> (channels * 4));
    put16 (out, 32);
    out += "data";
    put32 (out, dataBytes);
    for (uint32_t i = 0; i < frames; ++i)
        for (uint32_t ch = 0; ch < channels; ++ch)
            out.append (reinterpret_cast<const char*> (&audio.channels[ch][i]), 4);

    std::ofstream file (path, std::ios::binary);
    file.write (out.data(), static_cast<std::streamsize> (out.size()));
    return static_cast<bool> (file);
}

std::optional<Audio> readFloatWav (const std::string& path)
{
    std::ifstream file (path, std::ios::binary);
    const std::string in ((std::istreambuf_iterator<char> (file)), std::istreambuf_iterator<char>());
    if (in.size() < 12 || in.compare (0, 4, "RIFF") != 0 || in.compare (8, 4, "WAVE") != 0)
        return std::nullopt;

    Audio audio;
    int channels = 0, bits = 0;
    bool isFloat = false;
    for (size_t at = 12; at + 8 <= in.size();)
    {
        const auto id = in.substr (at, 4);
        const size_t size = get32 (in, at + 4);
        const size_t body = at + 8;
        if (body + size > in.size())
            return std::nullopt;
        if (id == "fmt " && size >= 16)
        {
            const auto tag = get16 (in, body);
            channels = get16 (in, body + 2);
            audio.sampleRate = get32 (in, body + 4);
            bits = get16 (in, body + 14);
            // Extensible: the sub-format GUID starts with the format tag.
            isFloat = tag == 3 || (tag == 0xfffe && size >= 40 && get16 (in, body + 24) == 3);
        }
        else if (id == "data")
        {
            if (! isFloat || bits != 32 || channels < 1)
                return std::nullopt;
            const size_t frames = size / (4 * static_cast<size_t> (channels));
            audio.channels.assign (static_cast<size_t> (channels), std::vector<float> (frames));
            for (size_t i = 0; i < frames; ++i)
                for (size_t ch = 0; ch < static_cast<size_t> (channels); ++ch)
                    std::memcpy (&audio.channels[ch][i], in.data() + body + (i * static_cast<size_t> (channels) + ch) * 4, 4);
            return audio;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

bool sameBits (const Audio& a, const Audio& b)
{
    if (a.numChannels() != b.numChannels() || a.numSamples() != b.numSamples())
        return false;
    for (size_t ch = 0; ch < a.channels.size(); ++ch)
        if (std::memcmp (a.channels[ch].data(), b.channels[ch].data(), a.channels[ch].size() * sizeof (float)) != 0)
            return false;
    return true;
}
} // namespace hosts
