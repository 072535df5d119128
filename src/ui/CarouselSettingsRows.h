#pragma once

#include <QString>
#include <array>

// The fourteen sliders of the settings window: where each sits, its range and steps, the value it
// shows before the live value is loaded, its label and the explanation shown while the mouse is over
// the label. Positions are in twips (15 twips per pixel), left and top of the slider.
namespace CarouselSettingsRows {

constexpr int RowCount = 14;

// What each slider sets.
enum Row {
    Capacity = 0,
    AnimationSteps = 1,
    Width = 2,
    Tilt = 3,
    ForeScale = 4,
    RearScale = 5,
    ReflectionStretch = 6,
    ReflectionStrength = 7,
    DepthDarkening = 8,
    TintStrength = 9,
    TokenSize = 10,
    OrbitImageOpacity = 11,
    FillOpacity = 12,
    RenderScale = 13,
};

// How a slider's value reads in its label.
enum class Shown {
    Value,       // the value itself
    OddCapacity, // 2v + 1: the slider offers the odd capacities 3 .. 25
    OffWhenZero, // "OFF" at 0, else the value
};

struct SliderRow {
    int left, top; // twips
    int minimum, maximum;
    int smallStep, largeStep;
    int designValue;
    const char* designCaption;
    const char* prefix; // label text before the value
    const char* suffix; // label text after the value
    Shown shown;
    const char* explanation;
};

const std::array<SliderRow, RowCount>& Rows();

// The label text for slider pRow at value pValue, e.g. "Capacity: 25 items".
QString LabelText(int pRow, int pValue);

// Slider size in twips.
constexpr int SliderWidth = 2040;
constexpr int SliderHeight = 255;

} // namespace CarouselSettingsRows
