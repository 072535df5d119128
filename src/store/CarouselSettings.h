#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class SqlRowSet;

// The 21 carousel settings as the program holds them (fractions and factors as doubles, colours as
// 0x00BBGGRR values, switches as booleans). The defaults are the owners' construction defaults: what
// applies when the settings table holds no row.
struct CarouselSettingsValues {
    int Capacity = 11;
    int MoveIncrements = 15;
    double RenderScale = 1.0; // factor
    int Width = 720;
    double Tilt = 180;
    int ImageSize = 128;
    double ForeItemScale = 125;    // percent
    double RearItemScale = 85;     // percent
    double ReflectionStretch = 60; // percent
    double ReflectionStrength = 8; // percent
    double DepthDarkening = 40;    // percent
    double TintStrength = 20;      // percent
    std::uint32_t TintColour = 0;
    std::uint32_t CaptionColour = 0;
    std::uint32_t CaptionOutlineColour = 0xFFFFFF;
    bool OverflowFade = false;
    bool OverflowZoom = false;
    double OrbitImageOpacity = 100; // percent
    std::uint32_t TokenFillColour = 0;
    double TokenFillOpacity = 0; // fraction 0 .. 1
    bool SoundEnabled = true;

    bool operator==(const CarouselSettingsValues&) const = default;
};

// The inclusive range of a setting's slider in the settings window, in the units held above.
struct SettingRange {
    double Minimum;
    double Maximum;
};

namespace CarouselSettings {

// The settings-window ranges: capacity 3 .. 25, animation steps 1 .. 30, width 400 .. 1200, tilt
// 0 .. 600, fore scale 100 .. 200, rear scale 30 .. 100, reflection stretch 10 .. 100, the other
// percentages 0 .. 100, image size 96 .. 256, fill opacity 0 .. 1 and render scale 0.5 .. 2.
SettingRange RangeOf(const QString& column);

// Every value brought within its slider's range; colours and switches are left as they are.
CarouselSettingsValues Clamped(CarouselSettingsValues values);

// Reads the current record of a CarouselSettings row set with the stored encodings undone
// (percentages of fill opacity and render scale become fractions, -1/0 and any non-zero value
// become booleans) and each value clamped to its range. Returns nothing when the row set holds no
// record. A value that cannot be converted throws RuntimeError (6, 13 or 94) naming the column.
std::optional<CarouselSettingsValues> FromRow(SqlRowSet& rows);

} // namespace CarouselSettings
