// A stand-in for a file manager in the end-to-end tests: a window (placed with X's -geometry) that,
// pressed, drags the files named on its command line (copy or link, as a file manager offers them). It says
// on its standard output "ready" once shown, "action <n>" whenever the answer of the place under the pointer
// changes (Qt::DropAction: 0 refused, 1 copy, 4 link) and "finished <n>" with the drop's action.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {
void Say(const char* what, int action = -1) {
    std::printf(action < 0 ? "%s\n" : "%s %d\n", what, action);
    std::fflush(stdout);
}

class DragSource : public QWidget {
public:
    explicit DragSource(QStringList files) : mFiles(std::move(files)) {
        setWindowTitle(QStringLiteral("dragsource"));
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& file : mFiles)
            urls << QUrl::fromLocalFile(file);
        data->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        QObject::connect(drag, &QDrag::actionChanged, [](Qt::DropAction action) { Say("action", action); });
        Say("finished", drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction));
    }

private:
    QStringList mFiles;
};
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    DragSource window(app.arguments().mid(1)); // Qt has taken -geometry for the first window shown
    window.show();
    Say("ready");
    return app.exec();
}
