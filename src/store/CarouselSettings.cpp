#include "CarouselSettings.h"

#include "StoredValue.h"
#include "platform/RuntimeError.h"
#include "platform/SqlDatabase.h"

#include <algorithm>
#include <cmath>

namespace CarouselSettings {
namespace {

struct NamedRange {
    const char* column;
    SettingRange range;
};

constexpr NamedRange Ranges[] = {
    {"Capacity", {3, 25}},
    {"MoveIncrements", {1, 30}},
    {"Width", {400, 1200}},
    {"Tilt", {0, 600}},
    {"ForeItemScale", {100, 200}},
    {"RearItemScale", {30, 100}},
    {"ReflectionStretch", {10, 100}},
    {"ReflectionStrength", {0, 100}},
    {"DepthDarkening", {0, 100}},
    {"TintStrength", {0, 100}},
    {"ImageSize", {96, 256}},
    {"OrbitImageOpacity", {0, 100}},
    {"TokenFillOpacity", {0, 1}},
    {"RenderScale", {0.5, 2}},
};

double clampTo(const char* column, double value) {
    const SettingRange range = RangeOf(QLatin1String(column));
    return std::clamp(value, range.Minimum, range.Maximum);
}

int clampTo(const char* column, int value) {
    return int(clampTo(column, double(value)));
}

QString describe(const QString& column) {
    return column + QStringLiteral(" of the carousel settings");
}

qint32 readInt(const SqlRowSet& rows, const QString& column) {
    return StoredValue::ToInt32(rows.Value(column), describe(column));
}
double readDouble(const SqlRowSet& rows, const QString& column) {
    return StoredValue::ToDouble(rows.Value(column), describe(column));
}
// A stored switch: converted to a 16-bit integer, true when it is not zero (-1, 1 and 255 alike).
bool readSwitch(const SqlRowSet& rows, const QString& column) {
    return StoredValue::ToInt16(rows.Value(column), describe(column)) != 0;
}
std::uint32_t readColour(const SqlRowSet& rows, const QString& column) {
    return std::uint32_t(readInt(rows, column));
}

} // namespace

SettingRange RangeOf(const QString& column) {
    for (const NamedRange& named : Ranges)
        if (column == QLatin1String(named.column))
            return named.range;
    throw RuntimeError(5, QStringLiteral("CarouselSettings"),
                       QStringLiteral("No range for setting %1").arg(column));
}

CarouselSettingsValues Clamped(CarouselSettingsValues v) {
    v.Capacity = clampTo("Capacity", v.Capacity);
    v.MoveIncrements = clampTo("MoveIncrements", v.MoveIncrements);
    v.Width = clampTo("Width", v.Width);
    v.Tilt = clampTo("Tilt", v.Tilt);
    v.ForeItemScale = clampTo("ForeItemScale", v.ForeItemScale);
    v.RearItemScale = clampTo("RearItemScale", v.RearItemScale);
    v.ReflectionStretch = clampTo("ReflectionStretch", v.ReflectionStretch);
    v.ReflectionStrength = clampTo("ReflectionStrength", v.ReflectionStrength);
    v.DepthDarkening = clampTo("DepthDarkening", v.DepthDarkening);
    v.TintStrength = clampTo("TintStrength", v.TintStrength);
    v.ImageSize = clampTo("ImageSize", v.ImageSize);
    v.OrbitImageOpacity = clampTo("OrbitImageOpacity", v.OrbitImageOpacity);
    v.TokenFillOpacity = clampTo("TokenFillOpacity", v.TokenFillOpacity);
    v.RenderScale = clampTo("RenderScale", v.RenderScale);
    return v;
}

std::optional<CarouselSettingsValues> FromRow(SqlRowSet& rows) {
    if (rows.RecordCount() == 0)
        return std::nullopt;
    rows.MoveFirst();
    CarouselSettingsValues v;
    v.Capacity = readInt(rows, "Capacity");
    v.MoveIncrements = readInt(rows, "MoveIncrements");
    v.Width = readInt(rows, "Width");
    v.Tilt = readDouble(rows, "Tilt");
    v.ForeItemScale = readDouble(rows, "ForeItemScale");
    v.RearItemScale = readDouble(rows, "RearItemScale");
    v.ReflectionStrength = readDouble(rows, "ReflectionStrength");
    v.ReflectionStretch = readDouble(rows, "ReflectionStretch");
    v.TintColour = readColour(rows, "TintColour");
    v.TintStrength = readDouble(rows, "TintStrength");
    v.DepthDarkening = readDouble(rows, "DepthDarkening");
    v.ImageSize = readInt(rows, "ImageSize");
    v.OrbitImageOpacity = readDouble(rows, "OrbitImageOpacity");
    v.CaptionColour = readColour(rows, "CaptionColour");
    v.CaptionOutlineColour = readColour(rows, "CaptionOutlineColour");
    v.OverflowFade = readSwitch(rows, "OverflowFade");
    v.OverflowZoom = readSwitch(rows, "OverflowZoom");
    v.TokenFillColour = readColour(rows, "TokenFillColour");
    v.TokenFillOpacity = readDouble(rows, "TokenFillOpacity") * 0.01;
    v.RenderScale = readDouble(rows, "RenderScale") * 0.01;
    v.SoundEnabled = StoredValue::ToBool(rows.Value("SoundEnabled"), describe("SoundEnabled"));
    return Clamped(v);
}

} // namespace CarouselSettings
