// A stand-in for a file manager in the end-to-end tests: a small window that, when pressed, starts
// a drag of the files named on its command line (copy or link, as a file manager offers them). It
// reports on its standard output: "ready" once shown, "action <n>" whenever the answer of the place
// under the pointer changes (Qt::DropAction values: 0 refused, 1 copy, 4 link), and "finished <n>"
// with the action the drop was taken with.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>
#include <cstdio>

namespace {
void Say(const QByteArray& line) {
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

class DragSource : public QWidget {
public:
    explicit DragSource(QStringList files) : mFiles(std::move(files)) {
        setWindowTitle(QStringLiteral("dragsource"));
        setAutoFillBackground(true);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, QColor(0x40, 0x90, 0x40));
        setPalette(colours);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton)
            return;
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& file : mFiles)
            urls << QUrl::fromLocalFile(file);
        data->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        QObject::connect(drag, &QDrag::actionChanged,
                         [](Qt::DropAction action) { Say("action " + QByteArray::number(int(action))); });
        const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
        Say("finished " + QByteArray::number(int(result)));
    }

private:
    QStringList mFiles;
};
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    // "--geometry X,Y,W,H" places the window (there is no window manager to do it).
    QRect place(1100, 20, 150, 100);
    if (arguments.size() >= 2 && arguments[0] == QLatin1String("--geometry")) {
        const QStringList numbers = arguments[1].split(QLatin1Char(','));
        if (numbers.size() == 4)
            place = QRect(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(), numbers[3].toInt());
        arguments = arguments.mid(2);
    }
    DragSource window(arguments);
    window.setGeometry(place);
    window.show();
    Say("ready");
    return app.exec();
}
