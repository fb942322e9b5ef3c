// klx80-animate: the batch runner with the video encoders (WebM, MP4) linked
// in. klx80-batch hands it the runs that write such an animation, so that its
// own start stays free of FFmpeg's libraries.
#include "anim/animation_file.h"
#include "batch/batch_run.h"

int main(int argc, char** argv) {
  animation_enable_video();
  return batch_main(argc, argv, nullptr);
}
