// klx80-shot: the batch runner with the device window's picture. It takes
// klx80-batch's arguments and runs the same way; --device-png draws the
// device window (LCD, lamps, keys) offscreen as it shows the end state, and
// --animation-device animates it with the tape beside it.
// `klx80-shot --web-art DIR` writes the web edition's pictures instead.
#include <QString>
#include <cstdio>
#include <cstring>

#include "anim/animation_file.h"
#include "batch/batch_run.h"
#include "host/qt/animation_art.h"
#include "host/qt/render.h"
#include "host/qt/web_art.h"

int main(int argc, char** argv) {
  animation_enable_video();
  if (argc == 3 && std::strcmp(argv[1], "--web-art") == 0) {
    if (write_web_art(QString::fromLocal8Bit(argv[2]))) return 0;
    std::fprintf(stderr, "klx80-shot: cannot write the web pictures into %s\n", argv[2]);
    return 1;
  }
  const int status = batch_main(
      argc, argv, [](const std::string& path) { return render_device_png(QString::fromStdString(path)); },
      paint_device_frame);
  device_frames_done();
  return status;
}
