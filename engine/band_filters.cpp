// The band filters' construction: two owned history cells each.
#include "shell/tamboro.h"

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

Tamboro::aFilterL::aFilterL() { allocateCells(*this); }
Tamboro::aFilterL::~aFilterL() { freeCells(*this); }

Tamboro::aFilterR::aFilterR() { allocateCells(*this); }
Tamboro::aFilterR::~aFilterR() { freeCells(*this); }
