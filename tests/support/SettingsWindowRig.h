#pragma once

// Real parts for the settings window's tests: a token database in a temporary folder, the carousel
// and token manager on it with the stored settings applied, and stand-ins only where the window
// reaches the main window, the sound switch and the colour chooser.
#include "OwnedSettings.h"
#include "PaintProbe.h"
#include "TokenDbFixture.h"
#include "app/modSound.h"
#include "carousel/cCarousel.h"
#include "platform/ImageList.h"
#include "platform/SqlDatabase.h"
#include "store/CarouselSettings.h"
#include "store/cTokenManager.h"
#include "store/clsDatabase.h"
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
// as at start-up, the tokens loaded and the carousel built with the middle token in front.
struct Rig {
    QTemporaryDir dir;
    QString path = dir.filePath("Tokens.db");
    ImageList images;
    std::unique_ptr<clsDatabase> database;
    std::unique_ptr<cCarousel> carousel;
    std::unique_ptr<cTokenManager> manager;
    SoundSwitch sound;
    double renderScale = 1.0;
    QList<bool> backgroundCalls;
    int titleRedraws = 0;

    Rig() {
        TokenDbFixture::Create(path);
        QList<Row> rows;
        for (int id = 2; id <= 13; ++id)
            rows << Row{id, 1, QStringLiteral("Token %1").arg(id), true,
                        TokenDbFixture::Png(24, 24, 0x20a040)};
        TokenDbFixture::AddRows(path, rows);
        database = std::make_unique<clsDatabase>(path);
        carousel = std::make_unique<cCarousel>(images);
        manager = std::make_unique<cTokenManager>(*database, *carousel, images);
        SqlRowSet settings = database->GetSettings();
        apply(*CarouselSettings::FromRow(settings));
        manager->Init();
        carousel->SetImages(manager->CurrentImages());
        const auto current = manager->CurrentImages();
        carousel->Build(current->KeyAt(current->Count() / 2));
    }
    ~Rig() {
        manager.reset();
        carousel.reset();
        database.reset();
    }

    void apply(const CarouselSettingsValues& v) {
        carousel->SetCapacity(v.Capacity);
        carousel->SetMoveIncrements(v.MoveIncrements);
        carousel->SetWidth(v.Width);
        carousel->SetTilt(v.Tilt);
        carousel->SetForeItemScale(v.ForeItemScale);
        carousel->SetRearItemScale(v.RearItemScale);
        carousel->SetReflectionEffects(v.ReflectionStrength, v.ReflectionStretch);
        carousel->SetTintEffects(v.TintColour, v.TintStrength, v.DepthDarkening);
        carousel->SetImageSize(v.ImageSize, v.ImageSize);
        carousel->SetOrbitImageOpacity(v.OrbitImageOpacity);
        manager->SetTextColour(v.CaptionColour);
        manager->SetTextOutlineColour(v.CaptionOutlineColour);
        carousel->SetOverflowEffects(v.OverflowFade, v.OverflowZoom);
        manager->SetFillColour(v.TokenFillColour);
        manager->SetFillOpacity(v.TokenFillOpacity);
        renderScale = v.RenderScale;
        sound.EnableSound(v.SoundEnabled);
    }

    CarouselSettingsLinks links() {
        CarouselSettingsLinks links;
        links.RenderScale = [this] { return renderScale; };
        links.SetRenderScale = [this](double scale) { renderScale = scale; };
        links.ShowBackground = [this](bool show) { backgroundCalls << show; };
        links.SoundEnabled = [this] { return sound.SoundEnabled(); };
        links.EnableSound = [this](bool on) { sound.EnableSound(on); };
        links.CaptionColoursChanged = [this] { ++titleRedraws; };
        return links;
    }

    std::unique_ptr<frmCarouselSettings> open() {
        auto window = std::make_unique<frmCarouselSettings>(*carousel, *manager, *database, links());
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("settings window not exposed");
        return window;
    }

    // A live value by its settings column, read from the objects that hold it.
    double live(const QString& column) const {
        if (column == QLatin1String("RenderScale"))
            return renderScale;
        if (column == QLatin1String("SoundEnabled"))
            return sound.SoundEnabled() ? 1 : 0;
        return OwnedSetting(*carousel, *manager, column).value();
    }
    QHash<QString, double> liveValues() const {
        QHash<QString, double> values;
        for (const QString& column : Columns)
            values.insert(column, live(column));
        return values;
    }
    // The columns whose live value differs from a snapshot taken by liveValues(), in column order.
    QStringList changedSince(const QHash<QString, double>& before) const {
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
