#include "CarouselLayout.h"

#include "platform/RuntimeError.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace CarouselLayout {

namespace {
[[noreturn]] void Overflow() {
    throw RuntimeError(ErrorNumber::Overflow, QStringLiteral("cCarousel"), QStringLiteral("Overflow"));
}
} // namespace

int Add(int a, int b) {
    int r;
    if (__builtin_add_overflow(a, b, &r))
        Overflow();
    return r;
}

int Sub(int a, int b) {
    int r;
    if (__builtin_sub_overflow(a, b, &r))
        Overflow();
    return r;
}

int Mul(int a, int b) {
    int r;
    if (__builtin_mul_overflow(a, b, &r))
        Overflow();
    return r;
}

int Abs(int a) {
    if (a == INT_MIN)
        Overflow();
    return a < 0 ? -a : a;
}

int Round(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= double(INT_MIN) && r <= double(INT_MAX)))
        Overflow();
    return int(r);
}

int NormalisedCapacity(int requested) {
    const int c = Add(Mul(requested / 2, 2), 1);
    return c < 3 ? 3 : c;
}

int WrapIndex(int index, int offset, int ringSize, int unused) {
    if (ringSize <= 0)
        return index;
    const int r = ((offset % ringSize) + ringSize) % ringSize;
    const int shifted = Sub(Add(Add(index, unused), r), 1);
    return Add(Sub(shifted % ringSize, unused), 1);
}

int OrbitBufferSize(int width, int imageWidth) {
    int size = Round(width - 2.5 * imageWidth);
    if (1.6 * imageWidth < size)
        size = Round(1.6 * imageWidth);
    return size;
}

int MediumStepFrames(int increments) {
    return increments / 10 + 4;
}
int LongStepFrames(int increments) {
    return increments / 10 + 2;
}

int FramesForStep(int sign, bool shortMove, bool longMove, bool first, bool last, int increments) {
    if (sign == 0)
        return 1;
    if (shortMove || first || last)
        return increments;
    return longMove ? LongStepFrames(increments) : MediumStepFrames(increments);
}

BufferGeometry ComputeBufferGeometry(const BufferInput& in) {
    BufferGeometry g;
    const double f = 0.5 * in.imageHeight * in.foreScale;
    g.bufferHeight = Round(0.5 * in.imageHeight * in.rearScale + 2 * in.baseVerticalRadius + f);
    if (in.imageHeight * in.foreScale > g.bufferHeight)
        g.bufferHeight = Round(in.imageHeight * in.foreScale);
    g.orbitImageTop = in.previousOrbitTop;
    if (in.orbitOpacity > 0) {
        const double oh = in.orbitHeight;
        if (f + oh > g.bufferHeight) {
            g.bufferHeight = Round(f + oh);
            g.orbitImageTop = (g.bufferHeight - oh) - f;
        } else {
            g.orbitImageTop = ((g.bufferHeight - f) - oh) * 0.5;
        }
    }
    g.centreX = in.width * 0.5;
    g.centreY = g.bufferHeight - f - in.baseVerticalRadius;
    g.reflectionHeight = in.reflectionStrength > 0 ? in.imageHeight * in.foreScale * in.reflectionStretch : 0;
    g.layerWidth = in.width;
    g.layerHeight = Round(g.bufferHeight + g.reflectionHeight);
    g.verticalRadius = in.baseVerticalRadius;
    g.horizontalRadius = Sub(Sub(in.width, in.imageWidth) / 2, 2);
    return g;
}

namespace {

// Ring position of slot s: which of the ring's places the slot stands for in this step.
int RingPosition(int s, int sign, int slotCount) {
    if (sign > 0)
        return s;
    if (sign == 0)
        return s - 1;
    return slotCount + 1 - s;
}

void PlaceSlot(const OrbitState& o, const StepPhase& ph, int s, CarouselSlot& slot) {
    const int p = RingPosition(s, ph.sign, o.slotCount);
    double angle = s * o.anglePerSlot + o.angleOffset;
    double zoom = 1;
    slot.Opacity = 1;
    if (o.overflow) {
        const int q = ph.sign == 0 ? 1 : ph.sign;
        if (p == o.slotCount - 1) { // leaving at the back
            slot.Opacity = o.overflowFade ? 1 - ph.progress : 1;
            zoom = o.overflowZoom ? 1 - ph.progress : 1;
            angle = q * (-0.5 * o.anglePerSlot);
        } else if (p == 1) { // entering at the back
            slot.Opacity = o.overflowFade ? ph.progress : 1;
            zoom = o.overflowZoom ? ph.progress : 1;
            angle = q * (0.5 * o.anglePerSlot);
        }
    }
    const double vR = std::max(o.verticalRadius, MinimumVerticalRadius);
    const double theta = (angle + 90) * std::numbers::pi / 180;
    const double y = o.centreY - std::sin(theta) * vR;
    const double x = o.centreX - std::cos(theta) * o.horizontalRadius;
    const double depth = (y - (o.centreY - vR)) / (2 * vR);
    double scale = (o.rearScale + (1 - o.rearScale) * depth) * zoom;
    slot.Darken = o.depthDarkening - o.depthDarkening * depth;
    slot.Tint = o.tintStrength;
    if (s == o.centre - ph.sign && ph.growIncoming) {
        scale = scale + (o.foreScale - scale) * ph.progress;
        slot.Darken = slot.Darken * (1 - ph.progress);
        slot.Tint = o.tintStrength * (1 - ph.progress);
    } else if (ph.shrinkOutgoing && s == o.centre) {
        scale = o.foreScale - (o.foreScale - scale) * ph.progress;
        slot.Darken = slot.Darken * ph.progress;
        slot.Tint = o.tintStrength * ph.progress;
    }
    slot.Width = o.imageWidth * scale;
    slot.Height = o.imageHeight * scale;
    slot.Left = x - slot.Width * 0.5;
    slot.Top = y - slot.Height * 0.5;
    const int e = o.overflow ? 0 : 1;
    slot.Visible = scale > 0 && p > 0 && p < o.slotCount - e;
}

} // namespace

void LayoutSlots(const OrbitState& orbit, const StepPhase& phase, std::vector<CarouselSlot>& slotList) {
    const int count = std::min<int>(orbit.slotCount, int(slotList.size()));
    for (int s = 1; s <= count; ++s)
        PlaceSlot(orbit, phase, s, slotList[s - 1]);
    for (int s : {orbit.centre, orbit.centre - phase.sign})
        if (s >= 1 && s <= count)
            slotList[s - 1].Visible = false;
}

std::vector<GradientStop> ReflectionMaskStops() {
    // Fifteen evenly spaced stops of a ramp through 0, 0.5 and 1.
    constexpr int StopCount = 15;
    std::vector<GradientStop> stops;
    for (int i = 0; i < StopCount; ++i) {
        const double t = double(i) / (StopCount - 1);
        stops.push_back({t, t});
    }
    return stops;
}

} // namespace CarouselLayout
