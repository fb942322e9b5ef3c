// Animated pictures written frame by frame: GIF through giflib, WebM (VP8)
// and MP4 (H.264, else MPEG-4 video) through FFmpeg's libraries. Each frame
// is a whole RGB picture of the size given at the start, shown for a number
// of hundredths of a second. The file is made in memory and written through
// the safe output writer at the end: a failed run leaves no partial file.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

class AnimationFile {
 public:
  virtual ~AnimationFile() = default;
  // rgb: height rows of width RGB pixels. False with a message on failure.
  virtual bool add(const uint8_t* rgb, uint32_t centiseconds, std::string& error) = 0;
  // Ends the stream and writes the file.
  virtual bool finish(std::string& error) = 0;
};

// "gif", "webm" or "mp4" from the path's ending (any case), else "".
std::string animation_format(const std::string& path);

// "" when this build can write the path's format, else why not.
std::string animation_format_problem(const std::string& path);

// A writer for path's format; nullptr with the reason when the format is
// unknown, was left out of this build, or the size is not a picture.
std::unique_ptr<AnimationFile> animation_open(const std::string& path, int width, int height, std::string& error);

// The two kinds, for animation_open.
std::unique_ptr<AnimationFile> animation_open_gif(const std::string& path, int width, int height, std::string& error);
std::unique_ptr<AnimationFile> animation_open_video(const std::string& path, const std::string& format, int width,
                                                    int height, std::string& error);

// WebM and MP4 come from a library of their own (klx80animation_video), linked
// only into the programs that call animation_enable_video() at their start.
using VideoOpener = std::unique_ptr<AnimationFile> (*)(const std::string& path, const std::string& format, int width,
                                                       int height, std::string& error);
void animation_set_video_opener(VideoOpener opener);
void animation_enable_video();
