#include "CarouselSettingsRows.h"

namespace CarouselSettingsRows {

const std::array<SliderRow, RowCount>& Rows() {
    static const std::array<SliderRow, RowCount> rows{{
        {2400, 960, 1, 12, 1, 1, 7, "Capacity:", "Capacity: ", " items", Shown::OddCapacity,
         "The number of items (tokens) that the Carousel is capable of displaying at any one time."},
        {2400, 360, 1, 30, 1, 3, 21, "Animation Steps", "Animation Steps: ", "", Shown::Value,
         "Determines how many iterations are required to step from one token to the next, i.e. "
         "smoothness of the animation"},
        {120, 1560, 400, 1200, 1, 10, 720, "Width", "Width: ", "", Shown::Value,
         "The amount of horizontal space occupied by the carousel, in pixels."},
        {2400, 1560, 0, 600, 1, 5, 90, "Tilt", "Tilt: ", "", Shown::Value,
         "How much the carousel appears to tilt forward, based on its vertical size."},
        {120, 2160, 100, 200, 1, 5, 125, "Fore Token Scale", "Fore Image Scale: ", "%", Shown::Value,
         "Determines how large the central foreground token is displayed in comparison to the default "
         "size."},
        {2400, 2160, 30, 100, 1, 5, 85, "Rear Token Scale", "Rear Image Scale: ", "%", Shown::Value,
         "Determines the extent to which tokens decrease in size the further back they are."},
        {2400, 2760, 10, 100, 1, 5, 10, "Reflection Stretch", "Reflection Stretch: ", "%", Shown::Value,
         "The amount of perspective applied to the reflections."},
        {120, 2760, 0, 100, 1, 5, 10, "Reflection Strength", "Reflection Strength: ", "%", Shown::Value,
         "The extent to which the token reflections are visible. A value of zero removes the reflection "
         "altogether."},
        {2400, 3360, 0, 100, 1, 5, 40, "Depth Darkening", "Depth Darkening: ", "%", Shown::Value,
         "Determines the extent to which tokens appear darker the further back they are."},
        {2400, 3960, 0, 100, 1, 5, 20, "Tint Strength", "Tint Strength: ", "%", Shown::Value,
         "Determines how strong the colour tint is applied to the tokens"},
        {120, 960, 96, 256, 5, 20, 96, "Token Size:", "Image Size: ", "px", Shown::Value,
         "Sets the size of the tokens in pixels"},
        {120, 3360, 0, 100, 5, 10, 21, "Orbit Image Opacity", "Orbit Image Opacity: ", "%",
         Shown::OffWhenZero,
         "Sets the opacity of the central, orbited image. A value of zero removes the image altogether."},
        {2400, 4560, 0, 100, 5, 10, 21, "Fill Opacity", "Token Fill Opacity: ", "%", Shown::Value,
         "Determines how transparent the tokens are (excluding their icon)."},
        {120, 360, 50, 200, 5, 10, 50, "Render Scale", "Render Scale: ", "%", Shown::Value,
         "Determines how large the carousel is zoomed onto the screen, relative to the token size"},
    }};
    return rows;
}

QString LabelText(int pRow, int pValue) {
    const SliderRow& row = Rows().at(pRow);
    const QString prefix = QString::fromLatin1(row.prefix);
    switch (row.shown) {
    case Shown::OddCapacity:
        return prefix + QString::number(2 * pValue + 1) + QLatin1String(row.suffix);
    case Shown::OffWhenZero:
        if (pValue <= 0)
            return prefix + QStringLiteral("OFF");
        break;
    case Shown::Value:
        break;
    }
    return prefix + QString::number(pValue) + QLatin1String(row.suffix);
}

} // namespace CarouselSettingsRows
