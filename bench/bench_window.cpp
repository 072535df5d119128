#include "BenchRunner.h"

#include "carousel/cCarousel.h"
#include "launcher/CarouselFeed.h"
#include "launcher/FramePacing.h"
#include "launcher/TextBuffer.h"
#include "launcher/cwCarousel.h"
#include "platform/ImageList.h"
#include "store/FirstStart.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"
#include "ui/CarouselSettingsTable.h"

#include <QTemporaryDir>

namespace {

void BenchText(BenchContext& context) {
    const QString description = "Your home folder, with your documents, pictures and downloads, and a few "
                                "more words so that the text wraps onto a second line.";
    // Texts not rendered before (recent renderings are kept): each run's ends in its number.
    int run = 0;
    context.Report("text.title_buffer", "ms", MeasureMilliseconds(5, 100, [&] {
                       TextBuffer::Render("Tessaro" + QString::number(++run), 28.8, 720, 58, Qt::white,
                                          Qt::black);
                   }));
    context.Report("text.description_buffer", "ms", MeasureMilliseconds(5, 100, [&] {
                       TextBuffer::Render(description + QString::number(++run), 17.28, 720, 96, Qt::black,
                                          Qt::white);
                   }));
    // The same description again, as when the carousel turns back to a token.
    context.Report("text.description_buffer.again", "ms", MeasureMilliseconds(5, 100, [&] {
                       TextBuffer::Render(description, 17.28, 720, 96, Qt::black, Qt::white);
                   }));
}

// The widget on the starter tree of a first start, with the construction defaults.
void BenchWidget(BenchContext& context) {
    QTemporaryDir folder;
    const QString path = folder.filePath("Tokens.db");
    FirstStart::CreateTokenDatabaseIfMissing(path, CarouselSettings::StoredStarter());
    clsDatabase database(path);
    ImageList images;
    cCarousel carousel(images);
    cTokenManager manager(database, images);
    CarouselFeed feed(manager, carousel);
    manager.Init();
    FramePacer::SetInterval(0);
    cwCarousel widget(carousel, manager, [] { return 1.0; });
    carousel.Build(QString());
    QImage target(widget.size(), QImage::Format_ARGB32_Premultiplied);
    context.Report("widget.paint", "ms", MeasureMilliseconds(5, 100, [&] {
                       target.fill(Qt::transparent);
                       widget.render(&target, QPoint(), QRegion(), QWidget::DrawChildren);
                   }));
    QString system;
    for (const auto& [key, token] : manager)
        if (token->ParentKey() == "ID1" && manager.HasChildren(key))
            system = key;
    context.Report("transition.level", "ms", MeasureMilliseconds(2, 20, [&] {
                       QString front;
                       manager.SetCurrentRoot(system, front, true);
                       front.clear();
                       manager.SetCurrentRoot("ID1", front, true);
                   }));
}

BenchRegistration textRegistration({"text.title_buffer", "text.description_buffer",
                                    "text.description_buffer.again"},
                                   BenchText);
BenchRegistration widgetRegistration({"widget.paint", "transition.level"}, BenchWidget);

} // namespace
