#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "cwsim/BeaconCalls.h"

// Test audio: a beacon transmission keyed as a sine tone at set SNRs in 2.5 kHz,
// in white Gaussian noise of a set standard deviation, from a fixed seed.
struct KeyedTone {
    std::string call = "4U1UN";
    double unitMs = 54.5;   // the network's 22 wpm
    double dashMs = 0;      // 0: 20 units
    double dashGapMs = -1;  // < 0: 3 units
    double startMs = 0;     // timing error of the whole transmission
    double toneHz = 700;
    std::array<double, 4> dashSnrDb{-15, -25, -35, -45};  // the call is keyed at the first dash's level
    bool present = true;
    double qsbDepthDb = 0;  // fading: a sine in dB of this peak-to-peak depth
    double qsbPeriodS = 7;
    double noiseSigma = 0.05;
    double dcOffset = 0;

    // The amplitude of a tone at this SNR in 2.5 kHz over noise of variance sigma²
    // at rate fs: SNR = (A² / 2) / (sigma² × 2500 / (fs / 2)).
    double amplitude(double snrDb, int fs) const {
        return std::sqrt(std::pow(10.0, snrDb / 10) * 4 * noiseSigma * noiseSigma * 2500 / fs);
    }

    std::vector<float> render(int fs, double durationMs, std::uint32_t seed) const {
        const auto n = static_cast<std::size_t>(durationMs / 1000 * fs);
        std::vector<double> env(n, 0.0);
        const auto key = [&](double fromMs, double toMs, double amp) {
            const double edgeMs = 5;  // raised-cosine keying edges, as transmitters shape them
            const auto a = static_cast<std::ptrdiff_t>(std::floor(fromMs / 1000 * fs));
            const auto b = static_cast<std::ptrdiff_t>(std::ceil(toMs / 1000 * fs));
            for (std::ptrdiff_t i = std::max<std::ptrdiff_t>(0, a);
                 i < std::min<std::ptrdiff_t>(b, static_cast<std::ptrdiff_t>(n)); ++i) {
                const double t = static_cast<double>(i) * 1000 / fs;
                double g = 1;
                if (t - fromMs < edgeMs)
                    g = 0.5 - 0.5 * std::cos(std::numbers::pi * std::max(0.0, t - fromMs) / edgeMs);
                if (toMs - t < edgeMs)
                    g = std::min(g, 0.5 - 0.5 * std::cos(std::numbers::pi * std::max(0.0, toMs - t) / edgeMs));
                env[static_cast<std::size_t>(i)] = amp * g;
            }
        };
        if (present) {
            const std::string morse = orvane::cwsim::morseOf(call);
            double pos = startMs + orvane::cwsim::kLeadInUnits * unitMs;
            const double callAmp = amplitude(dashSnrDb[0], fs);
            for (std::size_t i = 0; i < morse.size(); ++i) {
                if (morse[i] != '.' && morse[i] != '-') continue;
                const double len = (morse[i] == '.' ? 1 : 3) * unitMs;
                key(pos, pos + len, callAmp);
                pos += len + unitMs;
                if (i + 1 < morse.size() && morse[i + 1] == ' ') pos += 2 * unitMs;
            }
            pos += 6 * unitMs;
            const double dash = dashMs > 0 ? dashMs : 20 * unitMs;
            const double gap = dashGapMs >= 0 ? dashGapMs : 3 * unitMs;
            for (int d = 0; d < 4; ++d) {
                key(pos, pos + dash, amplitude(dashSnrDb[static_cast<std::size_t>(d)], fs));
                pos += dash + gap;
            }
        }
        std::mt19937 rng(seed);
        std::normal_distribution<double> noise(0.0, noiseSigma);
        std::uniform_real_distribution<double> phase(0, 2 * std::numbers::pi);
        const double phi = phase(rng);
        std::vector<float> out(n);
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) / fs;
            double fade = 1;
            if (qsbDepthDb > 0)
                fade = std::pow(
                    10.0, (qsbDepthDb / 2) * std::sin(2 * std::numbers::pi * t / qsbPeriodS) / 20 - qsbDepthDb / 40);
            const double s = env[i] * fade * std::sin(2 * std::numbers::pi * toneHz * t + phi) + noise(rng) + dcOffset;
            out[i] = static_cast<float>(s);
        }
        return out;
    }
};
