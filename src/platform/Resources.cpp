#include "Resources.h"

#include "RuntimeError.h"

#include <QFile>

QByteArray LoadResource(const QString& type, const QString& name) {
    QFile file(QStringLiteral(":/%1/%2").arg(type, name));
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError(326, QStringLiteral("Resources"),
                           QStringLiteral("Resource with identifier '%1' not found").arg(name));
    return file.readAll();
}
