#include "host/qt/image_rescue.h"

#include "host/seam/flash_image.h"

ImageRescue rescue_damaged_image(const QString& path, const QString& fresh_image,
                                 const std::function<bool(const QString&)>& ask) {
  ImageRescue r;
  const FlashImageCheck check = flash_image_check(path.toStdString());
  if (!check.damaged) return r;
  r.asked = true;
  const QString question =
      QStringLiteral("%1.\n\nStart from a fresh image? The damaged file is kept as %2.damaged; with No the "
                     "device runs on it as it is and nothing is changed.")
          .arg(QString::fromStdString(check.message), path);
  if (!ask(question)) return r;
  std::string kept, error;
  if (!flash_image_set_aside(path.toStdString(), ".damaged", kept, error)) {
    r.error = QString::fromStdString(error);
    return r;
  }
  r.kept_as = QString::fromStdString(kept);
  r.replaced = flash_image_install_template(fresh_image.toStdString(), path.toStdString());
  if (!r.replaced) r.error = QStringLiteral("No fresh image could be copied from %1").arg(fresh_image);
  return r;
}
