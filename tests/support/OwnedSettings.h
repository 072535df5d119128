#pragma once

#include <QString>
#include <optional>

class cCarousel;
class cTokenManager;

// A setting as the carousel or the token manager holds it, by its settings column, in the units the
// settings row is read into (percentages, fill opacity as a fraction, colours as 0x00BBGGRR, switches
// as 1 or 0). The render scale and the sound switch are held elsewhere and are not found here.
std::optional<double> OwnedSetting(const cCarousel& carousel, const cTokenManager& manager,
                                   const QString& column);
