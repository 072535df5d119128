#pragma once

#include <QString>
#include <Qt>

class QDropEvent;
class QMimeData;

// Files dragged in from another program (a file manager): the first local file the drag carries
// (empty when it carries none), and the action to answer with. Files are copied in or linked,
// never moved: a source told "moved" may delete its original.
QString FirstLocalFile(const QMimeData* pData);
Qt::DropAction FileDropAction(const QDropEvent& pEvent);
// Accepts the event with that action; false (and the event ignored) when the drag carries no local
// file or offers neither copying nor linking.
bool AcceptFileDrop(QDropEvent& pEvent);
