#include "FileDrops.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

QString FirstLocalFile(const QMimeData* pData) {
    if (!pData || !pData->hasUrls())
        return {};
    for (const QUrl& url : pData->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            return url.toLocalFile();
    return {};
}

Qt::DropAction FileDropAction(const QDropEvent& pEvent) {
    if (pEvent.possibleActions() & Qt::CopyAction)
        return Qt::CopyAction;
    if (pEvent.possibleActions() & Qt::LinkAction)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

bool AcceptFileDrop(QDropEvent& pEvent) {
    const Qt::DropAction action = FileDropAction(pEvent);
    if (FirstLocalFile(pEvent.mimeData()).isEmpty() || action == Qt::IgnoreAction) {
        pEvent.ignore();
        return false;
    }
    pEvent.setDropAction(action);
    pEvent.accept();
    return true;
}
