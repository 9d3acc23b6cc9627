// LAPACKE with its complex numbers as std::complex<double> (and <float>), the layout
// Fortran's COMPLEX has; without these definitions the header declares them as C99's
// _Complex, which C++ does not have. Every file of the layer that calls LAPACK includes
// LAPACKE through here.
#pragma once

#include <complex>

#define lapack_complex_float std::complex<float>
#define lapack_complex_double std::complex<double>
#include <lapacke.h>
