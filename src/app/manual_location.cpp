#include "app/manual_location.h"

#include <QFileInfo>

#include "common/data_folder.h"

namespace vexalith {

QString manual_path()
{
    const QString installed = QString::fromStdString(executable_folder()) + "/../share/doc/vexalith/manual/index.html";
    if (QFileInfo::exists(installed))
        return QFileInfo(installed).canonicalFilePath();
    return QStringLiteral(VEXALITH_SOURCE_MANUAL);
}

}  // namespace vexalith
