// A damaged flash image at start (the wrong size, or fonts that do not match
// their sum): the user is asked whether to start from a fresh image. Only on
// a yes is anything changed: the damaged file is kept beside it as
// IMAGE.damaged (a free name) and a copy of the fresh image takes its place.
#pragma once
#include <QString>
#include <functional>

struct ImageRescue {
  bool asked = false;     // the image was damaged and the question was put
  bool replaced = false;  // a fresh image is now in place
  QString kept_as;        // where the damaged file went
  QString error;          // why a yes could not be carried out
};

// ask gets the question's text and returns the user's answer.
ImageRescue rescue_damaged_image(const QString& path, const QString& fresh_image,
                                 const std::function<bool(const QString&)>& ask);

// A missing image: the user is asked whether to create a fresh one there; on
// a yes a copy of the fresh image is put in place (never over a file that
// appeared meanwhile).
ImageRescue rescue_missing_image(const QString& path, const QString& fresh_image,
                                 const std::function<bool(const QString&)>& ask);

// The fresh image offered and copied: the one installed with the program
// (PREFIX/share/klx80/fontData.hex beside PREFIX/bin/klx80), else the one the
// build made.
QString fresh_image_template();
