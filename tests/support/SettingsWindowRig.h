#pragma once

// Real parts for the settings window's tests: a token database in a temporary folder, the carousel,
// token manager and main window on it with the stored settings applied; a stand-in only for the
// colour chooser.
#include "PaintProbe.h"
#include "TokenDbFixture.h"
#include "carousel/cCarousel.h"
#include "desktop/modCentredMessageBox.h"
#include "desktop/modSound.h"
#include "launcher/CarouselFeed.h"
#include "launcher/cfMain.h"
#include "platform/ImageList.h"
#include "platform/SqlDatabase.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"
#include "ui/CarouselSettingsTable.h"
#include "ui/frmCarouselSettings.h"
#include "ui/modColourDialog.h"

#include <QHash>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

namespace SettingsWindowRig {

using TokenDbFixture::Row;

// The settings row TokenDbFixture writes, column by column.
const QStringList Columns =
    QStringLiteral(
        "Capacity MoveIncrements RenderScale Width Tilt ImageSize ForeItemScale RearItemScale "
        "ReflectionStretch ReflectionStrength DepthDarkening TintStrength TintColour CaptionColour "
        "CaptionOutlineColour OverflowFade OverflowZoom OrbitImageOpacity TokenFillColour "
        "TokenFillOpacity SoundEnabled")
        .split(' ');
const QList<qint64> FixtureRow = {9,  12,       150,      800, 200, 120, 130, 80,  50, 10, 30,
                                  25, 16711680, 16777215, 0,   -1,  0,   75,  255, 40, 0};

inline QList<qint64> storedRow(const QString& path) {
    SqlConnection db(path);
    SqlRowSet rows = db.Query("SELECT * FROM CarouselSettings");
    rows.MoveFirst();
    QList<qint64> values;
    for (const QString& column : Columns)
        values << rows.Value(column).toLongLong();
    return values;
}

// A launcher's worth of real parts on a database in a temporary folder: the stored settings applied
// as at start-up, the tokens loaded and the carousel built with the middle token in front. The main
// window exists (not shown), so the settings window reaches its real render scale and background.
struct Rig {
    QTemporaryDir dir;
    QString path = dir.filePath("Tokens.db");
    ImageList images;
    std::unique_ptr<clsDatabase> database;
    std::unique_ptr<cCarousel> carousel;
    std::unique_ptr<cTokenManager> manager;
    std::unique_ptr<CarouselFeed> feed;
    std::unique_ptr<cfMain> window;
    SoundSwitch sound;

    Rig() {
        TokenDbFixture::Create(path);
        QList<Row> rows;
        for (int id = 2; id <= 13; ++id)
            rows << Row{id, 1, QStringLiteral("Token %1").arg(id), true,
                        TokenDbFixture::Png(24, 24, 0x20a040)};
        TokenDbFixture::AddRows(path, rows);
        database = std::make_unique<clsDatabase>(path);
        carousel = std::make_unique<cCarousel>(images);
        manager = std::make_unique<cTokenManager>(*database, images);
        feed = std::make_unique<CarouselFeed>(*manager, *carousel);
        window = std::make_unique<cfMain>(*carousel, *manager);
        window->Init(nullptr);
        SqlRowSet settings = database->GetSettings();
        CarouselSettings::Apply(owners(), *CarouselSettings::FromRow(settings));
        manager->Init();
        // The images off the level on show too, so that counts of composed images start settled.
        manager->FinishPendingImages();
        const auto current = manager->CurrentImages();
        carousel->Build(current->KeyAt(current->Count() / 2));
    }
    ~Rig() {
        window.reset();
        feed.reset();
        manager.reset();
        carousel.reset();
        database.reset();
    }

    SettingsOwners owners() { return SettingsOwners{*carousel, *manager, *window, sound}; }

    std::unique_ptr<frmCarouselSettings> open() {
        auto settings = std::make_unique<frmCarouselSettings>(owners(), *database);
        settings->show();
        if (!QTest::qWaitForWindowExposed(settings.get()))
            qWarning("settings window not exposed");
        return settings;
    }

    bool background() const { return window->CarouselWidget()->ShowBackground(); }

    // A live value by its settings column, read from the object that holds it.
    double live(const QString& column) {
        for (const auto& row : CarouselSettings::Table())
            if (column == QLatin1String(row.Column))
                return row.Read(owners());
        qFatal("no setting %s", qPrintable(column));
    }
    QHash<QString, double> liveValues() {
        QHash<QString, double> values;
        for (const QString& column : Columns)
            values.insert(column, live(column));
        return values;
    }
    // The columns whose live value differs from a snapshot taken by liveValues(), in column order.
    QStringList changedSince(const QHash<QString, double>& before) {
        QStringList changed;
        for (const QString& column : Columns)
            if (live(column) != before.value(column))
                changed << column;
        return changed;
    }
};

template <typename T> T* control(QWidget* window, const QString& name) {
    T* found = window->findChild<T*>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}
inline QScrollBar* slider(QWidget* window, int index) {
    return control<QScrollBar>(window, QStringLiteral("HScrollSetting%1").arg(index));
}
inline QString caption(QWidget* window, int index) {
    return control<QLabel>(window, QStringLiteral("lblCaption%1").arg(index))->text();
}
inline QColor swatchColour(QWidget* window, const QString& name) {
    return control<QLabel>(window, name)->palette().color(QPalette::Window);
}

// What lblInfo looked like when it was painted, and how many token images had been composed by then.
struct InfoPaint {
    QString text;
    QColor colour;
    int composedImages;
};
inline std::function<InfoPaint()> InfoLabelProbe(QLabel* label, const cTokenManager& manager) {
    return [label, &manager] {
        return InfoPaint{label->text(), label->palette().color(QPalette::WindowText),
                         manager.ComposedTokenImages()};
    };
}

// Answers colour choosers with scripted colours and records the calls.
struct ScriptedChooser {
    struct Call {
        QWidget* owner;
        bool fullOpen;
        qint32 initial;
    };
    QList<Call> calls;
    QList<qint32> answers;
    ScriptedChooser() {
        SetColourChooser([this](QWidget* owner, bool fullOpen, qint32 initial) {
            calls << Call{owner, fullOpen, initial};
            return answers.isEmpty() ? -1 : answers.takeFirst();
        });
    }
    ~ScriptedChooser() { SetColourChooser({}); }
};

} // namespace SettingsWindowRig
