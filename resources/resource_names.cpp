#include "resources/resource_names.h"

#include <QFile>

namespace tamboro {

QString resourcePath(QStringView name) {
    // Names are plain words: nothing that could walk the resource tree.
    if (name.isEmpty())
        return {};
    for (const QChar c : name)
        if (!c.isLetterOrNumber() && c != u'-')
            return {};
    const QString path = QStringLiteral(":/") + name.toString().toUpper();
    return QFile::exists(path) ? path : QString();
}

}  // namespace tamboro
