#include "update/package_check.h"

#include <QCryptographicHash>
#include <QFile>

namespace vexalith::update {

bool package_matches(const QString& path, qint64 size, const QString& sha256)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != size)
        return false;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file) || file.pos() != size)
        return false;
    return QString::fromLatin1(hash.result().toHex()).compare(sha256, Qt::CaseInsensitive) == 0;
}

}  // namespace vexalith::update
