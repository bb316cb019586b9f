#include "cwsim/BeaconCalls.h"

#include <cctype>

namespace orvane::cwsim {
namespace {

// ITU-R M.1677-1, part I, 1.1.1 to 1.1.3.
constexpr std::array<std::string_view, 26> kLetters{
    ".-",   "-...", "-.-.", "-..",  ".",   "..-.", "--.",  "....", "..",  ".---", "-.-",  ".-..", "--",
    "-.",   "---",  ".--.", "--.-", ".-.", "...",  "-",    "..-",  "...-", ".--", "-..-", "-.--", "--.."};
constexpr std::array<std::string_view, 10> kDigits{"-----", ".----", "..---", "...--", "....-",
                                                   ".....", "-....", "--...", "---..", "----."};
constexpr std::string_view kSlash = "-..-.";

}  // namespace

std::string morseOf(std::string_view call) {
    std::string out;
    for (char raw : call) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
        std::string_view code;
        if (c >= 'A' && c <= 'Z') code = kLetters[static_cast<std::size_t>(c - 'A')];
        else if (c >= '0' && c <= '9') code = kDigits[static_cast<std::size_t>(c - '0')];
        else if (c == '/') code = kSlash;
        else continue;
        if (!out.empty()) out += ' ';
        out += code;
    }
    return out;
}

}  // namespace orvane::cwsim
