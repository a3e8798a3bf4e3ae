#pragma once
// Audio-CD disc images for tests: NAME.bin (raw CD-DA) beside NAME.cue.
//
// The form every image of the program uses (the CD layer reads it through libcdio,
// and anything that writes images must write exactly this):
//
//   FILE "NAME.bin" BINARY
//     TRACK 01 AUDIO
//       INDEX 00 00:00:00        only when a hidden track precedes track 1
//       INDEX 01 mm:ss:ff
//     TRACK 02 AUDIO
//       INDEX 00 mm:ss:ff        only when a gap precedes the track
//       INDEX 01 mm:ss:ff
//     ...
//
// - One FILE line. libcdio opens the data file by the .cue's own name with ".bin"
//   (NAME.cue -> NAME.bin), whatever the FILE line says, so both must share NAME.
// - Times are positions in NAME.bin (mm:ss:ff, 75 frames a second, 2352 bytes a frame),
//   counted from the first byte of NAME.bin; the disc addresses are these plus 150 frames
//   (track 1 at INDEX 01 00:00:00 reads as 00:02:00).
// - Gaps are stored in the file as silent frames between INDEX 00 and INDEX 01;
//   PREGAP/POSTGAP lines are not used (libcdio does not add their frames to the file).
// - Samples are 16-bit signed little-endian stereo, 44,100 Hz; every track is a whole
//   number of frames (588 stereo samples each).
// - A data track is written as "TRACK nn MODE1/2352" with zero-filled frames.
#include <QString>
#include <cstdint>
#include <vector>

namespace DiscImage {

constexpr int kSamplesPerFrame = 588;  // stereo sample pairs in one CD frame
constexpr int kBytesPerFrame = 2352;

struct Track {
    std::vector<int16_t> pcm;  // interleaved L/R; padded with silence to whole frames
    int gapFrames = 0;         // silent frames stored before the track (INDEX 00)
    bool data = false;         // a MODE1/2352 data track (pcm gives only its length)
};

struct Layout {
    std::vector<int16_t> hiddenTrack;  // audio before track 1's INDEX 01 (empty: none)
    std::vector<Track> tracks;
};

// Deterministic test audio: `frames` CD frames of a signal that differs per seed
// and per sample, so a shifted or swapped byte shows.
std::vector<int16_t> tonePcm(int frames, int seed);

// Writes dir/NAME.bin and dir/NAME.cue; returns the .cue path.
QString write(const QString& dir, const QString& name, const Layout& layout);

// The .cue text write() produces for layout (for checks of the exact form).
QString cueText(const QString& name, const Layout& layout);

// A stand-in for a real drive: dir/drive.toc (a cdrdao table of contents, which libcdio
// reads as it reads a drive's) over dir/drive.bin, the tracks' PCM back to back (each
// padded with silence to whole frames). Returns the .toc path; "" when it cannot be written.
QString writeToc(const QString& dir, const std::vector<std::vector<int16_t>>& tracks);
// The same with silent tracks of these lengths in CD frames.
QString writeSilentToc(const QString& dir, const std::vector<int>& trackFrames);

// Frames a track of pcm occupies in the image.
int framesOf(const std::vector<int16_t>& pcm);

} // namespace DiscImage
