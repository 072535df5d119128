#include "OwnedSettings.h"

#include "carousel/cCarousel.h"
#include "store/cTokenManager.h"

#include <QHash>
#include <functional>

std::optional<double> OwnedSetting(const cCarousel& c, const cTokenManager& m, const QString& column) {
    const QHash<QString, std::function<double()>> owners{
        {"Capacity", [&] { return c.Capacity(); }},
        {"MoveIncrements", [&] { return c.MoveIncrements(); }},
        {"Width", [&] { return c.Width(); }},
        {"Tilt", [&] { return c.Tilt(); }},
        {"ImageSize", [&] { return c.ImageSize(); }},
        {"ForeItemScale", [&] { return c.ForeItemScale(); }},
        {"RearItemScale", [&] { return c.RearItemScale(); }},
        {"ReflectionStretch", [&] { return c.ReflectionStretch(); }},
        {"ReflectionStrength", [&] { return c.ReflectionStrength(); }},
        {"DepthDarkening", [&] { return c.DepthDarkenPercent(); }},
        {"TintStrength", [&] { return c.TintStrength(); }},
        {"TintColour", [&] { return c.TintColour(); }},
        {"OrbitImageOpacity", [&] { return c.OrbitImageOpacity(); }},
        {"OverflowFade", [&] { return c.OverflowFade() ? 1 : 0; }},
        {"OverflowZoom", [&] { return c.OverflowZoom() ? 1 : 0; }},
        {"CaptionColour", [&] { return m.TextColour(); }},
        {"CaptionOutlineColour", [&] { return m.TextOutlineColour(); }},
        {"TokenFillColour", [&] { return m.FillColour(); }},
        {"TokenFillOpacity", [&] { return m.FillOpacity(); }},
    };
    const auto owner = owners.constFind(column);
    return owner == owners.cend() ? std::nullopt : std::optional<double>((*owner)());
}
