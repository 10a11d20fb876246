#include "app_icon.h"

#include <QString>

namespace kestrin::qt {

QIcon programIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icon/%1x%1/apps/%2.png").arg(size).arg(QLatin1String(kApplicationId)),
                 QSize(size, size));
  }
  return icon;
}

}  // namespace kestrin::qt
