// Without FFmpeg's libraries a program that asks for video gets none: WebM
// and MP4 are then refused with a message saying so.
#include "anim/animation_file.h"

#ifndef KLX80_HAVE_VIDEO
void animation_enable_video() {}
#endif
