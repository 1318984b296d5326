#include "controls/resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE declares a function of the global namespace, so it cannot
// be used inside namespace controls.
static void InitCorvaneResources() { Q_INIT_RESOURCE(corvane); }

namespace controls {

void InitResources() { InitCorvaneResources(); }

QString IconPath(int imageId) { return QStringLiteral(":/icons/%1.svg").arg(imageId); }

}  // namespace controls
