// klx80-shot: the batch runner with the device window's picture. It takes
// klx80-batch's arguments and runs the same way; --device-png draws the
// device window (LCD, lamps, keys) offscreen as it shows the end state, and
// --animation-device animates it with the tape beside it.
#include <QString>

#include "batch/batch_run.h"
#include "host/qt/animation_art.h"
#include "host/qt/render.h"

int main(int argc, char** argv) {
  const int status = batch_main(
      argc, argv, [](const std::string& path) { return render_device_png(QString::fromStdString(path)); },
      paint_device_frame);
  device_frames_done();
  return status;
}
