#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cwsim/BeaconCalls.h"
#include "cwsim/MidiOutputLayer.h"
#include "cwsim/RecordingMidiOutputLayer.h"

namespace orvane::cwsim::test {

// One sounded note seen at the output: its note-on and matching note-off.
struct Note {
    std::int64_t onUs;
    std::int64_t offUs;
    int velocity;
};

// Pairs note-ons with the next note-off of the same note; unpaired note-ons
// get offUs = -1.
inline std::vector<Note> notesOf(const std::vector<RecordingMidiOutputLayer::Sent>& sent) {
    std::vector<Note> notes;
    std::vector<std::size_t> open;
    for (const auto& s : sent) {
        const auto status = shortMsgStatus(s.msg);
        if (status == 0x90) {
            notes.push_back({s.timeUs, -1, shortMsgData2(s.msg)});
            open.push_back(notes.size() - 1);
        } else if (status == 0x80 && !open.empty()) {
            notes[open.front()].offUs = s.timeUs;
            open.erase(open.begin());
        }
    }
    return notes;
}

// The element lengths of a call in units: 1 for a dot, 3 for a dash.
inline std::vector<int> elementUnits(std::string_view morse) {
    std::vector<int> units;
    for (char c : morse)
        if (c != ' ') units.push_back(c == '.' ? 1 : 3);
    return units;
}

}  // namespace orvane::cwsim::test
