#pragma once

#include <complex>
#include <span>

namespace orvane::listen {

// Responsibilities: the thin adapter to FFTW3; no other file includes its
// header. Plans are made once per size (FFTW's planner is not thread-safe, so
// planning is serialised) and run on any caller's arrays, from any thread.

// Forward transform of `in` (size n) into `out` (size n / 2 + 1), unscaled.
void forwardReal(std::span<const double> in, std::span<std::complex<double>> out);

// In-place complex transform of `data`, forward (e^-i) or inverse (e^+i), unscaled.
void transformComplex(std::span<std::complex<double>> data, bool inverse);

// Forward complex transform of `in` into `out` (the same size; apart), unscaled.
// Cheaper than in place for the many short transforms of a spectrogram.
void transformComplex(std::span<const std::complex<double>> in, std::span<std::complex<double>> out);

}  // namespace orvane::listen
