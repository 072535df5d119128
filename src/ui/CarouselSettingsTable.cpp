#include "CarouselSettingsTable.h"

#include "carousel/cCarousel.h"
#include "desktop/modSound.h"
#include "launcher/cfMain.h"
#include "platform/RuntimeError.h"
#include "platform/SqlDatabase.h"
#include "store/StoredValue.h"
#include "store/cTokenManager.h"

#include <algorithm>
#include <cmath>

namespace CarouselSettings {
namespace {

using O = const SettingsOwners&;
using V = const CarouselSettingsValues&;

quint32 colour(double pValue) {
    return quint32(std::int64_t(pValue));
}
int whole(double pValue) {
    return int(pValue);
}

// Settings the carousel takes in pairs or threes.
void applyReflection(O o, V v) {
    o.Carousel.SetReflectionEffects(v[ReflectionStrength], v[ReflectionStretch]);
}
void applyTint(O o, V v) {
    o.Carousel.SetTintEffects(colour(v[TintColour]), v[TintStrength], v[DepthDarkening]);
}
void applyOverflow(O o, V v) {
    o.Carousel.SetOverflowEffects(v[OverflowFade] != 0, v[OverflowZoom] != 0);
}

constexpr Slider slider(int pIndex, int pLeft, int pTop, int pMinimum, int pMaximum, int pSmallStep,
                        int pLargeStep, int pDesignValue, const char* pDesignCaption, const char* pPrefix,
                        const char* pSuffix, const char* pExplanation, Shown pShown = Shown::Value,
                        SliderScale pScale = SliderScale::Same) {
    return Slider{pIndex,       pLeft,          pTop,    pMinimum, pMaximum, pSmallStep, pLargeStep,
                  pDesignValue, pDesignCaption, pPrefix, pSuffix,  pShown,   pScale,     pExplanation};
}

constexpr std::array<Row, Count> Rows{{
    {"Capacity", Stored::Whole, 11, 11,
     slider(0, 2400, 960, 1, 12, 1, 1, 7, "Capacity:", "Capacity: ", " items",
            "The number of items (tokens) that the Carousel is capable of displaying at any one time.",
            Shown::OddCapacity, SliderScale::OddCount),
     Redraw::Carousel, [](O o) { return double(o.Carousel.Capacity()); },
     [](O o, V v) { o.Carousel.SetCapacity(whole(v[Capacity])); }},
    {"MoveIncrements", Stored::Whole, 15, 15,
     slider(1, 2400, 360, 1, 30, 1, 3, 21, "Animation Steps", "Animation Steps: ", "",
            "Determines how many iterations are required to step from one token to the next, i.e. "
            "smoothness of the animation"),
     Redraw::Carousel, [](O o) { return double(o.Carousel.MoveIncrements()); },
     [](O o, V v) { o.Carousel.SetMoveIncrements(whole(v[MoveIncrements])); }},
    {"RenderScale", Stored::Hundredths, 1.0, 1.0,
     slider(13, 120, 360, 50, 200, 5, 10, 50, "Render Scale", "Render Scale: ", "%",
            "Determines how large the carousel is zoomed onto the screen, relative to the token size",
            Shown::Value, SliderScale::Hundredths),
     Redraw::Carousel, [](O o) { return o.Window.RenderScale(); },
     [](O o, V v) { o.Window.SetRenderScale(v[RenderScale]); }},
    {"Width", Stored::Whole, 720, 720,
     slider(2, 120, 1560, 400, 1200, 1, 10, 720, "Width", "Width: ", "",
            "The amount of horizontal space occupied by the carousel, in pixels."),
     Redraw::Carousel, [](O o) { return double(o.Carousel.Width()); },
     [](O o, V v) { o.Carousel.SetWidth(whole(v[Width])); }},
    {"Tilt", Stored::Real, 180, 180,
     slider(3, 2400, 1560, 0, 600, 1, 5, 90, "Tilt", "Tilt: ", "",
            "How much the carousel appears to tilt forward, based on its vertical size."),
     Redraw::Carousel, [](O o) { return o.Carousel.Tilt(); }, [](O o, V v) { o.Carousel.SetTilt(v[Tilt]); }},
    {"ImageSize", Stored::Whole, 128, 128,
     slider(10, 120, 960, 96, 256, 5, 20, 96, "Token Size:", "Image Size: ", "px",
            "Sets the size of the tokens in pixels"),
     Redraw::TokenImages, [](O o) { return double(o.Carousel.ImageSize()); },
     [](O o, V v) {
         o.Carousel.SetImageSize(whole(v[ImageSize]), whole(v[ImageSize]));
         o.Tokens.SetImageSize(whole(v[ImageSize]));
     }},
    {"ForeItemScale", Stored::Real, 125, 125,
     slider(4, 120, 2160, 100, 200, 1, 5, 125, "Fore Token Scale", "Fore Image Scale: ", "%",
            "Determines how large the central foreground token is displayed in comparison to the default "
            "size."),
     Redraw::Carousel, [](O o) { return o.Carousel.ForeItemScale(); },
     [](O o, V v) { o.Carousel.SetForeItemScale(v[ForeItemScale]); }},
    {"RearItemScale", Stored::Real, 85, 85,
     slider(5, 2400, 2160, 30, 100, 1, 5, 85, "Rear Token Scale", "Rear Image Scale: ", "%",
            "Determines the extent to which tokens decrease in size the further back they are."),
     Redraw::Carousel, [](O o) { return o.Carousel.RearItemScale(); },
     [](O o, V v) { o.Carousel.SetRearItemScale(v[RearItemScale]); }},
    {"ReflectionStretch", Stored::Real, 60, 60,
     slider(6, 2400, 2760, 10, 100, 1, 5, 10, "Reflection Stretch", "Reflection Stretch: ", "%",
            "The amount of perspective applied to the reflections."),
     Redraw::Carousel, [](O o) { return o.Carousel.ReflectionStretch(); }, applyReflection},
    {"ReflectionStrength", Stored::Real, 8, 8,
     slider(7, 120, 2760, 0, 100, 1, 5, 10, "Reflection Strength", "Reflection Strength: ", "%",
            "The extent to which the token reflections are visible. A value of zero removes the reflection "
            "altogether."),
     Redraw::Carousel, [](O o) { return o.Carousel.ReflectionStrength(); }, applyReflection},
    {"DepthDarkening", Stored::Real, 40, 40,
     slider(8, 2400, 3360, 0, 100, 1, 5, 40, "Depth Darkening", "Depth Darkening: ", "%",
            "Determines the extent to which tokens appear darker the further back they are."),
     Redraw::Carousel, [](O o) { return o.Carousel.DepthDarkenPercent(); }, applyTint},
    {"TintStrength", Stored::Real, 20, 20,
     slider(9, 2400, 3960, 0, 100, 1, 5, 20, "Tint Strength", "Tint Strength: ", "%",
            "Determines how strong the colour tint is applied to the tokens"),
     Redraw::Carousel, [](O o) { return o.Carousel.TintStrength(); }, applyTint},
    {"TintColour",
     Stored::Colour,
     0,
     0,
     {},
     Redraw::Carousel,
     [](O o) { return double(o.Carousel.TintColour()); },
     applyTint},
    {"CaptionColour",
     Stored::Colour,
     0,
     0xFFFFFF,
     {},
     Redraw::TokensAndTitle,
     [](O o) { return double(o.Tokens.TextColour()); },
     [](O o, V v) { o.Tokens.SetTextColour(colour(v[CaptionColour])); }},
    {"CaptionOutlineColour",
     Stored::Colour,
     0xFFFFFF,
     0,
     {},
     Redraw::TokensAndTitle,
     [](O o) { return double(o.Tokens.TextOutlineColour()); },
     [](O o, V v) { o.Tokens.SetTextOutlineColour(colour(v[CaptionOutlineColour])); }},
    {"OverflowFade",
     Stored::Switch,
     0,
     1,
     {},
     Redraw::Nothing,
     [](O o) { return o.Carousel.OverflowFade() ? 1.0 : 0.0; },
     applyOverflow},
    {"OverflowZoom",
     Stored::Switch,
     0,
     1,
     {},
     Redraw::Nothing,
     [](O o) { return o.Carousel.OverflowZoom() ? 1.0 : 0.0; },
     applyOverflow},
    {"OrbitImageOpacity", Stored::Real, 100, 100,
     slider(11, 120, 3360, 0, 100, 5, 10, 21, "Orbit Image Opacity", "Orbit Image Opacity: ", "%",
            "Sets the opacity of the central, orbited image. A value of zero removes the image altogether.",
            Shown::OffWhenZero),
     Redraw::Carousel, [](O o) { return o.Carousel.OrbitImageOpacity(); },
     [](O o, V v) { o.Carousel.SetOrbitImageOpacity(v[OrbitImageOpacity]); }},
    // Slate: red 0x1E, green 0x2A, blue 0x38.
    {"TokenFillColour",
     Stored::Colour,
     0,
     0x382A1E,
     {},
     Redraw::TokenImages,
     [](O o) { return double(o.Tokens.FillColour()); },
     [](O o, V v) { o.Tokens.SetFillColour(colour(v[TokenFillColour])); }},
    {"TokenFillOpacity", Stored::Hundredths, 0, 0.8,
     slider(12, 2400, 4560, 0, 100, 5, 10, 21, "Fill Opacity", "Token Fill Opacity: ", "%",
            "Determines how transparent the tokens are (excluding their icon).", Shown::Value,
            SliderScale::Hundredths),
     Redraw::TokenImages, [](O o) { return o.Tokens.FillOpacity(); },
     [](O o, V v) { o.Tokens.SetFillOpacity(v[TokenFillOpacity]); }},
    {"SoundEnabled",
     Stored::Boolean,
     1,
     1,
     {},
     Redraw::Nothing,
     [](O o) { return o.Sound.SoundEnabled() ? 1.0 : 0.0; },
     [](O o, V v) { o.Sound.EnableSound(v[SoundEnabled] != 0); }},
}};

QString describe(const Row& pRow) {
    return QLatin1String(pRow.Column) + QStringLiteral(" of the carousel settings");
}

double readStored(const Row& pRow, const SqlRowSet& pRows) {
    const QVariant value = pRows.Value(QLatin1String(pRow.Column));
    const QString what = describe(pRow);
    switch (pRow.StoredAs) {
    case Stored::Whole:
        return StoredValue::ToInt32(value, what);
    case Stored::Real:
        return StoredValue::ToDouble(value, what);
    case Stored::Hundredths:
        return StoredValue::ToDouble(value, what) * 0.01;
    case Stored::Colour:
        return double(quint32(StoredValue::ToInt32(value, what)));
    case Stored::Switch:
        return StoredValue::ToInt16(value, what) != 0 ? 1 : 0;
    case Stored::Boolean:
        return StoredValue::ToBool(value, what) ? 1 : 0;
    }
    return 0;
}

qint32 toStored(const Row& pRow, double pValue) {
    const QString what = QLatin1String(pRow.Column);
    switch (pRow.StoredAs) {
    case Stored::Whole:
    case Stored::Real:
        return StoredValue::RoundToInt32(pValue, what);
    case Stored::Hundredths:
        return StoredValue::RoundToInt32(pValue * 100, what);
    case Stored::Colour:
        return qint32(colour(pValue));
    case Stored::Switch:
    case Stored::Boolean:
        return pValue != 0 ? -1 : 0;
    }
    return 0;
}

} // namespace

const std::array<Row, Count>& Table() {
    return Rows;
}

int SettingOfColumn(const QString& pColumn) {
    for (int i = 0; i < Count; ++i)
        if (pColumn == QLatin1String(Rows[i].Column))
            return i;
    return -1;
}

std::optional<std::pair<double, double>> RangeOf(const Row& pRow) {
    if (pRow.SliderRow.Index < 0)
        return std::nullopt;
    return std::pair(ValueOfSlider(pRow, pRow.SliderRow.Minimum),
                     ValueOfSlider(pRow, pRow.SliderRow.Maximum));
}

const Row& RowOfSlider(int pSliderIndex) {
    const auto row = std::find_if(Rows.begin(), Rows.end(),
                                  [pSliderIndex](const Row& r) { return r.SliderRow.Index == pSliderIndex; });
    if (row == Rows.end())
        throw RuntimeError(5, QStringLiteral("CarouselSettings"),
                           QStringLiteral("No slider %1").arg(pSliderIndex));
    return *row;
}

int SliderValue(const Row& pRow, double pValue) {
    switch (pRow.SliderRow.Scale) {
    case SliderScale::OddCount:
        return int(pValue) / 2;
    case SliderScale::Hundredths:
        pValue *= 100;
        break;
    case SliderScale::Same:
        break;
    }
    // Rounded half to even, kept well inside int.
    return int(std::nearbyint(std::clamp(pValue, -1e9, 1e9)));
}

double ValueOfSlider(const Row& pRow, int pSliderValue) {
    switch (pRow.SliderRow.Scale) {
    case SliderScale::OddCount:
        return 2.0 * pSliderValue + 1;
    case SliderScale::Hundredths:
        return pSliderValue * 0.01;
    case SliderScale::Same:
        break;
    }
    return pSliderValue;
}

QString LabelText(const Row& pRow, int pSliderValue) {
    const Slider& slider = pRow.SliderRow;
    const QString prefix = QString::fromLatin1(slider.Prefix);
    switch (slider.Show) {
    case Shown::OddCapacity:
        return prefix + QString::number(2 * pSliderValue + 1) + QLatin1String(slider.Suffix);
    case Shown::OffWhenZero:
        if (pSliderValue <= 0)
            return prefix + QStringLiteral("OFF");
        break;
    case Shown::Value:
        break;
    }
    return prefix + QString::number(pSliderValue) + QLatin1String(slider.Suffix);
}

CarouselSettingsValues Clamped(CarouselSettingsValues pValues) {
    for (int i = 0; i < Count; ++i)
        if (const auto range = RangeOf(Rows[i]))
            pValues[i] = std::clamp(pValues[i], range->first, range->second);
    return pValues;
}

CarouselSettingsValues Starter() {
    CarouselSettingsValues values;
    for (int i = 0; i < Count; ++i)
        values[i] = Rows[i].Starter;
    return values;
}

StoredSettings StoredStarter() {
    return ToStored(Starter());
}

std::optional<CarouselSettingsValues> FromRow(SqlRowSet& pRows) {
    if (pRows.RecordCount() == 0)
        return std::nullopt;
    pRows.MoveFirst();
    CarouselSettingsValues values;
    for (int i = 0; i < Count; ++i)
        values[i] = readStored(Rows[i], pRows);
    return Clamped(values);
}

StoredSettings ToStored(const CarouselSettingsValues& pValues) {
    StoredSettings stored;
    for (int i = 0; i < Count; ++i)
        stored.append({QLatin1String(Rows[i].Column), toStored(Rows[i], pValues[i])});
    return stored;
}

CarouselSettingsValues Live(const SettingsOwners& pOwners) {
    CarouselSettingsValues values;
    for (int i = 0; i < Count; ++i)
        values[i] = Rows[i].Read(pOwners);
    return values;
}

void Apply(const SettingsOwners& pOwners, const CarouselSettingsValues& pValues) {
    for (const Row& row : Rows)
        row.Apply(pOwners, pValues);
}

} // namespace CarouselSettings

CarouselSettingsValues::CarouselSettingsValues() {
    for (int i = 0; i < CarouselSettings::Count; ++i)
        Values[std::size_t(i)] = CarouselSettings::Table()[std::size_t(i)].Default;
}
