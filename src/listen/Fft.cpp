#include "listen/Fft.h"

#include <fftw3.h>

#include <map>
#include <mutex>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace orvane::listen {

namespace {

enum class Kind { Real, Forward, Inverse, ForwardApart };

// Plans are kept for the life of the program: the detector uses a handful of
// sizes, one per sample rate and window. The table is never destroyed, so no
// thread still transforming at exit finds it gone.
fftw_plan planFor(Kind kind, std::size_t n) {
    static std::mutex mutex;
    static auto& plans = *new std::map<std::tuple<Kind, std::size_t>, fftw_plan>;
    const std::lock_guard lock(mutex);
    const auto key = std::make_tuple(kind, n);
    if (const auto it = plans.find(key); it != plans.end()) return it->second;
    // FFTW_ESTIMATE leaves the arrays untouched, and FFTW_UNALIGNED lets the
    // plan run on any caller's arrays.
    const unsigned flags = FFTW_ESTIMATE | FFTW_UNALIGNED;
    const int size = static_cast<int>(n);
    fftw_plan plan = nullptr;
    if (kind == Kind::Real) {
        std::vector<double> in(n);
        std::vector<fftw_complex> out(n / 2 + 1);
        plan = fftw_plan_dft_r2c_1d(size, in.data(), out.data(), flags);
    } else if (kind == Kind::ForwardApart) {
        std::vector<fftw_complex> in(n), out(n);
        plan = fftw_plan_dft_1d(size, in.data(), out.data(), FFTW_FORWARD, flags);
    } else {
        std::vector<fftw_complex> data(n);
        plan = fftw_plan_dft_1d(size, data.data(), data.data(), kind == Kind::Forward ? FFTW_FORWARD : FFTW_BACKWARD,
                                flags);
    }
    if (!plan) throw std::runtime_error("FFTW could not plan a transform");
    plans.emplace(key, plan);
    return plan;
}

fftw_complex* asFftw(std::span<std::complex<double>> data) { return reinterpret_cast<fftw_complex*>(data.data()); }

}  // namespace

void forwardReal(std::span<const double> in, std::span<std::complex<double>> out) {
    if (out.size() != in.size() / 2 + 1) throw std::invalid_argument("forwardReal: output size must be n / 2 + 1");
    // The plan is out of place, so FFTW only reads the input.
    fftw_execute_dft_r2c(planFor(Kind::Real, in.size()), const_cast<double*>(in.data()), asFftw(out));
}

void transformComplex(std::span<std::complex<double>> data, bool inverse) {
    fftw_plan plan = planFor(inverse ? Kind::Inverse : Kind::Forward, data.size());
    fftw_execute_dft(plan, asFftw(data), asFftw(data));
}

void transformComplex(std::span<const std::complex<double>> in, std::span<std::complex<double>> out) {
    if (out.size() != in.size()) throw std::invalid_argument("transformComplex: output size must be the input's");
    // The plan is out of place, so FFTW only reads the input.
    fftw_execute_dft(planFor(Kind::ForwardApart, in.size()),
                     reinterpret_cast<fftw_complex*>(const_cast<std::complex<double>*>(in.data())), asFftw(out));
}

}  // namespace orvane::listen
