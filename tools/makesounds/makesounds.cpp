// Synthesises the program's window sounds as 44,100 Hz 16-bit stereo WAV files:
//   Whoosh.wav   - a short rising-and-falling swish of filtered noise (launcher buttons)
//   quillory.wav - a bright three-note chime (the About box)
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {
constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

bool writeWav(const std::string& path, const std::vector<float>& left, const std::vector<float>& right)
{
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        std::fprintf(stderr, "makesounds: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    std::vector<float> frames(left.size() * 2);
    for (size_t i = 0; i < left.size(); ++i) {
        frames[2 * i] = left[i];
        frames[2 * i + 1] = right[i];
    }
    const sf_count_t n = sf_writef_float(f, frames.data(), static_cast<sf_count_t>(left.size()));
    sf_close(f);
    return n == static_cast<sf_count_t>(left.size());
}

// A deterministic noise source, so every build makes the same bytes.
struct Noise {
    uint32_t state = 0x12345678u;
    float next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state) / 4294967295.0f * 2.0f - 1.0f;
    }
};

bool makeWhoosh(const std::string& path)
{
    const double seconds = 0.55;
    const size_t n = static_cast<size_t>(seconds * kRate);
    std::vector<float> l(n), r(n);
    Noise noise;
    double lowL = 0, bandL = 0, lowR = 0, bandR = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(n);
        // Band-pass centre sweeps up then down; loudness swells and fades.
        const double centre = 300.0 + 2600.0 * std::sin(kPi * t);
        const double f = 2.0 * std::sin(kPi * centre / kRate);
        const double q = 0.35;
        const double env = std::pow(std::sin(kPi * t), 2.0) * (1.0 - 0.3 * t);
        const double inL = noise.next();
        const double inR = noise.next();
        lowL += f * bandL;
        const double highL = inL - lowL - q * bandL;
        bandL += f * highL;
        lowR += f * bandR;
        const double highR = inR - lowR - q * bandR;
        bandR += f * highR;
        // The swish travels from left to right.
        const double pan = t;
        l[i] = static_cast<float>(0.45 * env * bandL * std::cos(pan * kPi / 2));
        r[i] = static_cast<float>(0.45 * env * bandR * std::sin(pan * kPi / 2));
    }
    return writeWav(path, l, r);
}

bool makeChime(const std::string& path)
{
    const double seconds = 1.4;
    const size_t n = static_cast<size_t>(seconds * kRate);
    std::vector<float> l(n, 0.0f), r(n, 0.0f);
    const double notes[] = {659.25, 830.61, 987.77}; // E5, G#5, B5
    for (int k = 0; k < 3; ++k) {
        const size_t start = static_cast<size_t>(k * 0.16 * kRate);
        for (size_t i = start; i < n; ++i) {
            const double t = static_cast<double>(i - start) / kRate;
            const double env = std::exp(-3.2 * t) * std::min(1.0, t * 200.0);
            const double s = env * (std::sin(2 * kPi * notes[k] * t) + 0.3 * std::sin(2 * kPi * 2 * notes[k] * t) +
                                    0.1 * std::sin(2 * kPi * 3 * notes[k] * t));
            const double pan = 0.3 + 0.2 * k;
            l[i] += static_cast<float>(0.22 * s * (1.0 - pan));
            r[i] += static_cast<float>(0.22 * s * pan);
        }
    }
    return writeWav(path, l, r);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makesounds OUTPUT-FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = makeWhoosh(dir + "/Whoosh.wav") && makeChime(dir + "/quillory.wav");
    return ok ? 0 : 1;
}
