#pragma once

#include <QString>
#include <vector>

// Drawing state of one slot of the orbit.
struct CarouselSlot {
    QString Key;
    double Left = 0, Top = 0, Width = 0, Height = 0;
    double Opacity = 1, Tint = 0, Darken = 0;
    bool Visible = false;
};

// The pure arithmetic of the carousel: capacity, the index ring, buffer geometry and the placement
// of every slot on the orbit. Integer sums and products that leave the 32-bit range raise
// RuntimeError 6 ("Overflow").
namespace CarouselLayout {

// Checked 32-bit arithmetic.
int Add(int a, int b);
int Sub(int a, int b);
int Mul(int a, int b);
int Abs(int a);
// Rounds half to even; out of the 32-bit range is an overflow.
int Round(double value);

// The odd capacity (at least 3) actually used for a requested one.
int NormalisedCapacity(int requested);

// Moves `index` by `offset` positions round the ring of `ringSize` entries whose indices run from
// 1 - unused to ringSize - unused. A ring of size 0 leaves the index as it is.
int WrapIndex(int index, int offset, int ringSize, int unused);

// Side of the square orbit buffer for a frame width and item width; 0 or less means none.
int OrbitBufferSize(int width, int imageWidth);

// Frames of one step of a move: `increments` is the frames per position at full smoothness.
int FramesForStep(int sign, bool shortMove, bool longMove, bool first, bool last, int increments);
int MediumStepFrames(int increments); // A
int LongStepFrames(int increments);   // B

// Frame buffer geometry computed by Build from the layout settings.
struct BufferInput {
    int width = 720;
    int imageWidth = 128, imageHeight = 128;
    double foreScale = 1.25, rearScale = 0.85;
    double baseVerticalRadius = 90;
    double reflectionStrength = 0.08, reflectionStretch = 0.6;
    double orbitOpacity = 1.0;
    int orbitHeight = 0;         // height of the orbit buffer (0 when there is none)
    double previousOrbitTop = 0; // kept when no orbit image is drawn
};
struct BufferGeometry {
    int bufferHeight = 0;     // H: the frame without reflections
    double orbitImageTop = 0; // top of the orbit image
    double centreX = 0, centreY = 0;
    double horizontalRadius = 0, verticalRadius = 0;
    double reflectionHeight = 0;
    int layerWidth = 0, layerHeight = 0; // size of the main and reflection layers
};
BufferGeometry ComputeBufferGeometry(const BufferInput& in);

// Below this the vertical radius is not used: the orbit cannot flatten to nothing.
constexpr double MinimumVerticalRadius = 0.5;

// Everything LayoutSlots reads.
struct OrbitState {
    int slotCount = 13, centre = 7;
    double anglePerSlot = 360.0 / 11, angleOffset = 0;
    double centreX = 0, centreY = 0, horizontalRadius = 0, verticalRadius = 0;
    int imageWidth = 128, imageHeight = 128;
    double foreScale = 1.25, rearScale = 0.85;
    double tintStrength = 0.2, depthDarkening = 0.4;
    bool overflow = false, overflowFade = false, overflowZoom = false;
};
struct StepPhase {
    int sign = 0;
    bool growIncoming = true, shrinkOutgoing = true;
    double progress = 1;
};

// Places every slot (slotList[s - 1] is slot s) for one frame; keys are left as they are. The front
// slot and the incoming one end up not visible: the frame draws them last.
void LayoutSlots(const OrbitState& orbit, const StepPhase& phase, std::vector<CarouselSlot>& slotList);

// Opacity of the reflection mask for each row of an item `height` pixels high: transparent at the
// top, half at the middle, opaque at the bottom.
struct GradientStop {
    double position, opacity;
};
std::vector<GradientStop> ReflectionMaskStops();

} // namespace CarouselLayout
