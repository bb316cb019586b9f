#pragma once

#include <sndfile.h>

#include <QFile>
#include <QString>
#include <vector>

// Test recordings written by libsndfile itself, a writer apart from the
// reader under test: any container and sample format it writes (`format` as
// SF_FORMAT_WAV | SF_FORMAT_PCM_24), one channel or two. False when
// libsndfile refuses the combination or the write.
inline bool writeSoundFile(const QString& fileName, int format, int sampleRate, const std::vector<float>& left,
                           const std::vector<float>* right = nullptr) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = right ? 2 : 1;
    info.format = format;
    SNDFILE* f = sf_open(QFile::encodeName(fileName).constData(), SFM_WRITE, &info);
    if (!f) return false;
    // Beyond full scale is written as full scale, not wrapped round.
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<float> frames;
    frames.reserve(left.size() * static_cast<std::size_t>(info.channels));
    for (std::size_t i = 0; i < left.size(); ++i) {
        frames.push_back(left[i]);
        if (right) frames.push_back(i < right->size() ? (*right)[i] : 0.0f);
    }
    const auto n = static_cast<sf_count_t>(left.size());
    const bool written = sf_writef_float(f, frames.data(), n) == n;
    return sf_close(f) == 0 && written;
}
