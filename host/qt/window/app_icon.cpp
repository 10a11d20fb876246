#include "host/qt/window/app_icon.h"

#include <QDir>
#include <QDirIterator>
#include <QPixmap>
#include <QString>

#include "host/qt/pictures/raw_pixels.h"

namespace kestrin::qt {

QIcon programIcon() {
  // Every size the build compiled in (host/qt/CMakeLists.txt chooses them).
  QIcon icon;
  QDirIterator sizes(QStringLiteral(":/icon"), QDir::Dirs | QDir::NoDotAndDotDot);
  while (sizes.hasNext()) {
    const QImage pixels = loadRawPixels(
        sizes.next() + QStringLiteral("/apps/%1.png.kpx").arg(QLatin1String(kApplicationId)));
    if (!pixels.isNull()) icon.addPixmap(QPixmap::fromImage(pixels));
  }
  return icon;
}

}  // namespace kestrin::qt
