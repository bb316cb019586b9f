#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstring>
#include <vector>

#include "support/TempDir.h"

// WAV file bytes for the tests: 16-bit PCM (format 1) or 32-bit float
// (format 3), any header field overridable to make bad files or the header
// of a stream (sizes 0xFFFFFFFF, written before the length was known).
struct WavBytes {
    int channels = 1;
    int sampleRate = 12000;
    bool isFloat = false;
    int formatTag = -1;                   // -1: from isFloat
    int bitsPerSample = -1;               // -1: from isFloat
    std::int64_t declaredDataBytes = -1;  // -1: the true size
    std::int64_t declaredRiffBytes = -1;  // -1: the true size

    QByteArray make(const std::vector<float>& mono) const {
        QByteArray data;
        for (float v : mono) {
            for (int c = 0; c < channels; ++c) {
                if (isFloat) {
                    char b[4];
                    std::memcpy(b, &v, 4);
                    data.append(b, 4);
                } else {
                    const auto s = static_cast<std::int16_t>(std::clamp(v, -1.0f, 32767.0f / 32768.0f) * 32768.0f);
                    append16(data, static_cast<std::uint16_t>(s));
                }
            }
        }
        const int bits = bitsPerSample > 0 ? bitsPerSample : isFloat ? 32 : 16;
        QByteArray w("RIFF");
        append32(w, static_cast<std::uint32_t>(declaredRiffBytes >= 0 ? declaredRiffBytes : 36 + data.size()));
        w.append("WAVEfmt ");
        append32(w, 16);
        append16(w, static_cast<std::uint16_t>(formatTag >= 0 ? formatTag : isFloat ? 3 : 1));
        append16(w, static_cast<std::uint16_t>(channels));
        append32(w, static_cast<std::uint32_t>(sampleRate));
        append32(w, static_cast<std::uint32_t>(sampleRate * channels * bits / 8));
        append16(w, static_cast<std::uint16_t>(channels * bits / 8));
        append16(w, static_cast<std::uint16_t>(bits));
        w.append("data");
        append32(w, static_cast<std::uint32_t>(declaredDataBytes >= 0 ? declaredDataBytes : data.size()));
        w.append(data);
        return w;
    }

    static void append16(QByteArray& b, std::uint16_t v) {
        b.append(static_cast<char>(v & 0xff));
        b.append(static_cast<char>(v >> 8));
    }
    static void append32(QByteArray& b, std::uint32_t v) {
        append16(b, static_cast<std::uint16_t>(v & 0xffff));
        append16(b, static_cast<std::uint16_t>(v >> 16));
    }
};
