#include "app_icon.h"

#include <QPixmap>
#include <QString>

#include "host/qt/raw_pixels.h"

namespace kestrin::qt {

QIcon programIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    const QImage pixels = loadRawPixels(
        QStringLiteral(":/icon/%1x%1/apps/%2.png.kpx").arg(size).arg(QLatin1String(kApplicationId)));
    if (!pixels.isNull()) icon.addPixmap(QPixmap::fromImage(pixels));
  }
  return icon;
}

}  // namespace kestrin::qt
