#pragma once

#include "store/clsDatabase.h"

#include <QString>
#include <array>
#include <optional>

class cCarousel;
class cfMain;
class cTokenManager;
class SoundSwitch;
class SqlRowSet;

// The carousel settings, one row each: the column of the settings row that stores it and how, its
// construction default and first-start value, its range, the settings window's slider for it, how
// to read its live value and how to apply one. The settings-row reader and writer, start-up, the
// live-settings snapshot and the settings window all work from this one table, so a new setting is
// one more row (and a name below).
namespace CarouselSettings {

// Positions in the table, which follow the columns of the settings row.
enum Setting : int {
    Capacity,
    MoveIncrements,
    RenderScale,
    Width,
    Tilt,
    ImageSize,
    ForeItemScale,
    RearItemScale,
    ReflectionStretch,
    ReflectionStrength,
    DepthDarkening,
    TintStrength,
    TintColour,
    CaptionColour,
    CaptionOutlineColour,
    OverflowFade,
    OverflowZoom,
    OrbitImageOpacity,
    TokenFillColour,
    TokenFillOpacity,
    SoundEnabled,
    Count
};

} // namespace CarouselSettings

// The settings as the program holds them, by table position: factors and fractions as they are
// (render scale 1.0, fill opacity 0 .. 1), percentages as percentages, colours as 0x00BBGGRR,
// switches as 1 or 0. Made with the construction defaults.
struct CarouselSettingsValues {
    CarouselSettingsValues();
    double operator[](int pSetting) const { return Values.at(std::size_t(pSetting)); }
    double& operator[](int pSetting) { return Values.at(std::size_t(pSetting)); }
    bool operator==(const CarouselSettingsValues&) const = default;

    std::array<double, CarouselSettings::Count> Values{};
};

// The objects whose state the settings are.
struct SettingsOwners {
    cCarousel& Carousel;
    cTokenManager& Tokens;
    cfMain& Window;
    SoundSwitch& Sound;
};

namespace CarouselSettings {

// How a value is kept in its column.
enum class Stored {
    Whole,      // a whole number as it is
    Real,       // a number rounded to a whole one (halves to even)
    Hundredths, // a factor or fraction as a whole percentage (1.0 is 100)
    Colour,     // 0x00BBGGRR
    Switch,     // -1 for on, 0 for off; any non-zero 16-bit value reads as on
    Boolean,    // as Switch, and the texts "True" and "False" read too
};

// How the settings window's slider shows a value.
enum class SliderScale {
    Same,       // the slider's value is the setting's
    OddCount,   // slider v stands for 2v + 1 (capacities 3, 5, ... 25)
    Hundredths, // slider v stands for v / 100
};

// How a slider's value reads in its label.
enum class Shown {
    Value,       // the setting's value as the slider holds it
    OddCapacity, // 2v + 1
    OffWhenZero, // "OFF" at 0
};

// What must be redrawn after the setting changed in the settings window.
enum class Redraw {
    Nothing,        // the next move shows it
    Carousel,       // the carousel is built again
    TokenImages,    // every token image is composed again, then the carousel built
    TokensAndTitle, // as TokenImages, and the title above the carousel is drawn again
};

// The slider of a setting in the settings window. Positions in twips (15 to a pixel); the index
// numbers the slider and its label ("HScrollSetting3", "lblCaption3").
struct Slider {
    int Index = -1;
    int Left = 0, Top = 0;
    int Minimum = 0, Maximum = 0;
    int SmallStep = 1, LargeStep = 1;
    int DesignValue = 0;
    const char* DesignCaption = "";
    const char* Prefix = "";
    const char* Suffix = "";
    Shown Show = Shown::Value;
    SliderScale Scale = SliderScale::Same;
    const char* Explanation = "";
};

struct Row {
    const char* Column;
    Stored StoredAs;
    double Default; // the owners' construction default
    double Starter; // what a new database starts with
    // The slider; its range is the range the setting is kept in. Colours and switches have none.
    Slider SliderRow;
    Redraw After;
    double (*Read)(const SettingsOwners&);
    // Applies the setting's entry of the values (settings set together read the others there).
    void (*Apply)(const SettingsOwners&, const CarouselSettingsValues&);
};

const std::array<Row, Count>& Table();
// The table position of a settings column; -1 for a name that is no column.
int SettingOfColumn(const QString& pColumn);

// The range a setting is kept in (its slider's, in the setting's units); none without a slider.
std::optional<std::pair<double, double>> RangeOf(const Row& pRow);

// The table row of a settings-window slider (0 .. 13).
const Row& RowOfSlider(int pSliderIndex);
constexpr int SliderCount = 14;
constexpr int SliderWidth = 2040; // twips
constexpr int SliderHeight = 255;

// A slider position for a live value and back.
int SliderValue(const Row& pRow, double pValue);
double ValueOfSlider(const Row& pRow, int pSliderValue);
// The label text for the slider at pSliderValue, e.g. "Capacity: 25 items".
QString LabelText(const Row& pRow, int pSliderValue);

// Every value brought within its range; colours and switches are left as they are.
CarouselSettingsValues Clamped(CarouselSettingsValues pValues);
// What a new database starts with, as values and as its stored row.
CarouselSettingsValues Starter();
StoredSettings StoredStarter();

// Reads the current record of a CarouselSettings row set with the stored encodings undone, each
// value clamped to its range. Nothing when the row set holds no record. A value that cannot be
// converted throws RuntimeError (6, 13 or 94) naming the column.
std::optional<CarouselSettingsValues> FromRow(SqlRowSet& pRows);
// The values in their stored encodings, column by column (overflow error 6 naming the column).
StoredSettings ToStored(const CarouselSettingsValues& pValues);

// The live values, and applying values to the owners (every setting, in table order).
CarouselSettingsValues Live(const SettingsOwners& pOwners);
void Apply(const SettingsOwners& pOwners, const CarouselSettingsValues& pValues);

} // namespace CarouselSettings
