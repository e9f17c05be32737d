// The band filters' construction: two owned history cells each.
#include "detector_state.h"

#include <new>

namespace {

template <typename Filter>
void allocateCells(Filter& f) {
    f.outputCell1 = new (std::nothrow) float(0.0f);
    f.outputCell2 = new (std::nothrow) float(0.0f);
}

template <typename Filter>
void freeCells(Filter& f) {
    delete f.outputCell1;
    delete f.outputCell2;
}

}  // namespace

DetectorState::aFilterL::aFilterL() { allocateCells(*this); }
DetectorState::aFilterL::~aFilterL() { freeCells(*this); }

DetectorState::aFilterR::aFilterR() { allocateCells(*this); }
DetectorState::aFilterR::~aFilterR() { freeCells(*this); }
