// The per-band instrument definitions (is this band's level inside a slot's
// window?) and instrument templates (a +-5 dB window around this band's
// level). Both measure the band the same way.
#include <cmath>

#include "decibels.h"
#include "detector_state.h"

namespace {

constexpr double kWindowHalfWidthDb = 5.0;

// The band's mid level |(left + right) / 2| and its level in dB; a silent mid
// gives -infinity.
template <typename Instrument>
void measureBand(Instrument& instrument, float left, float right) {
    const float mid = (float)(((double)left + (double)right) / 2.0);
    instrument.level = std::fabs(mid);
    instrument.levelDb = engine::decibels(instrument.level);
}

// Both bounds inclusive; a NaN level or bound matches nothing.
float matchWindow(DetectorState::InstDefine& definition, float& result, float left, float right,
                  float upper, float lower) {
    measureBand(definition, left, right);
    const bool inside = definition.levelDb <= upper && definition.levelDb >= lower;
    result = inside ? 1.0f : 0.0f;
    return result;
}

float learnBound(DetectorState::InstTemplate& instrument, float& bound, float left, float right,
                 double offsetDb) {
    measureBand(instrument, left, right);
    bound = (float)((double)instrument.levelDb + offsetDb);
    return bound;
}

}  // namespace

float DetectorState::InstDefine::matchSlot0(float left, float right, float upper, float lower) {
    return matchWindow(*this, match0, left, right, upper, lower);
}
float DetectorState::InstDefine::matchSlot1(float left, float right, float upper, float lower) {
    return matchWindow(*this, match1, left, right, upper, lower);
}
float DetectorState::InstDefine::matchSlot2(float left, float right, float upper, float lower) {
    return matchWindow(*this, match2, left, right, upper, lower);
}

float DetectorState::InstTemplate::learnUpper0(float left, float right) {
    return learnBound(*this, upper0, left, right, kWindowHalfWidthDb);
}
float DetectorState::InstTemplate::learnLower0(float left, float right) {
    return learnBound(*this, lower0, left, right, -kWindowHalfWidthDb);
}
float DetectorState::InstTemplate::learnUpper1(float left, float right) {
    return learnBound(*this, upper1, left, right, kWindowHalfWidthDb);
}
float DetectorState::InstTemplate::learnLower1(float left, float right) {
    return learnBound(*this, lower1, left, right, -kWindowHalfWidthDb);
}
float DetectorState::InstTemplate::learnUpper2(float left, float right) {
    return learnBound(*this, upper2, left, right, kWindowHalfWidthDb);
}
float DetectorState::InstTemplate::learnLower2(float left, float right) {
    return learnBound(*this, lower2, left, right, -kWindowHalfWidthDb);
}
