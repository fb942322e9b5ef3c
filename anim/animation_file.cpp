#include "anim/animation_file.h"

#include <algorithm>
#include <cctype>

namespace {
// Set by animation_enable_video() in the programs linked with FFmpeg's
// libraries. klx80-batch is not: loading them costs more than a short run.
VideoOpener video_opener = nullptr;
}  // namespace

void animation_set_video_opener(VideoOpener opener) { video_opener = opener; }

std::string animation_format(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return "";
  std::string ending = path.substr(dot + 1);
  std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return ending == "gif" || ending == "webm" || ending == "mp4" ? ending : "";
}

std::string animation_format_problem(const std::string& path) {
  const std::string format = animation_format(path);
  if (format.empty()) return "'" + path + "' does not end in .gif, .webm or .mp4";
#ifndef KLX80_HAVE_GIF
  if (format == "gif") return "GIF is not available: this build was made without giflib";
#endif
  if (format != "gif" && !video_opener)
    return format + " is not available: this program was made without FFmpeg's libraries";
  return "";
}

std::unique_ptr<AnimationFile> animation_open(const std::string& path, int width, int height, std::string& error) {
  error = animation_format_problem(path);
  if (!error.empty()) return nullptr;
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
    error = "a picture of " + std::to_string(width) + " x " + std::to_string(height) + " cannot be animated";
    return nullptr;
  }
  const std::string format = animation_format(path);
#ifdef KLX80_HAVE_GIF
  if (format == "gif") return animation_open_gif(path, width, height, error);
#endif
  if (format != "gif") return video_opener(path, format, width, height, error);
  return nullptr;
}
