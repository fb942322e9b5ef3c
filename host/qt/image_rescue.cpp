#include "host/qt/image_rescue.h"

#include <QCoreApplication>
#include <QFileInfo>

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

ImageRescue rescue_missing_image(const QString& path, const QString& fresh_image,
                                 const std::function<bool(const QString&)>& ask) {
  ImageRescue r;
  // Only where nothing is: a directory or an unreadable file is not replaced.
  const QFileInfo info(path);
  if (info.exists() || info.isSymLink()) return r;
  r.asked = true;
  const QString question =
      QStringLiteral("The flash image %1 does not exist.\n\nCreate a fresh image there (fonts, empty label files, "
                     "default settings)? With No the device runs without one and nothing is saved.")
          .arg(path);
  if (!ask(question)) return r;
  r.replaced = flash_image_install_template(fresh_image.toStdString(), path.toStdString());
  if (!r.replaced) r.error = QStringLiteral("No fresh image could be created at %1 from %2").arg(path, fresh_image);
  return r;
}

QString fresh_image_template() {
  const QString installed =
      QCoreApplication::applicationDirPath() + QStringLiteral("/../share/klx80/fontData.hex");
  return QFileInfo::exists(installed) ? QFileInfo(installed).canonicalFilePath() : QStringLiteral(KLX80_FRESH_IMAGE);
}
