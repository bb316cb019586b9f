#include "beacons/BeaconFile.h"

#include <array>
#include <limits>

namespace orvane::beacons {
namespace {

// Container classes the file format knows. Only "TStCollection" is ours; the
// sorted variant is a registered class of the same family that this program
// cannot take.
constexpr std::array<std::string_view, 2> kRegisteredClasses{"TStCollection", "TStSortedCollection"};

std::string formatWith(std::string_view pattern, std::string_view value) {
    std::string out(pattern);
    const auto at = out.find("%s");
    if (at != std::string::npos) out.replace(at, 2, value);
    return out;
}

class Writer {
public:
    void tag(BeaconTag t) { bytes_.push_back(static_cast<char>(t)); }
    void integer(std::int32_t v) {
        if (v >= -128 && v <= 127) {
            tag(BeaconTag::Int8);
            raw(static_cast<std::uint32_t>(v), 1);
        } else if (v >= -32768 && v <= 32767) {
            tag(BeaconTag::Int16);
            raw(static_cast<std::uint32_t>(v), 2);
        } else {
            tag(BeaconTag::Int32);
            raw(static_cast<std::uint32_t>(v), 4);
        }
    }
    void string(std::string_view s) {
        if (s.size() <= 255) {
            tag(BeaconTag::String);
            raw(static_cast<std::uint32_t>(s.size()), 1);
        } else {
            tag(BeaconTag::LString);
            raw(static_cast<std::uint32_t>(s.size()), 4);
        }
        bytes_.append(s);
    }
    void boolean(bool b) { tag(b ? BeaconTag::True : BeaconTag::False); }
    std::string take() { return std::move(bytes_); }

private:
    void raw(std::uint32_t v, int count) {
        for (int i = 0; i < count; ++i) bytes_.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
    }
    std::string bytes_;
};

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    std::uint8_t byte() {
        need(1);
        return static_cast<std::uint8_t>(bytes_[pos_++]);
    }
    std::uint8_t peek() {
        need(1);
        return static_cast<std::uint8_t>(bytes_[pos_]);
    }
    std::int32_t integer() {
        switch (static_cast<BeaconTag>(byte())) {
            case BeaconTag::Int8: return static_cast<std::int8_t>(byte());
            case BeaconTag::Int16: return static_cast<std::int16_t>(little(2));
            case BeaconTag::Int32: return static_cast<std::int32_t>(little(4));
            default: throw BeaconFileError(std::string(msg::kInvalidValue));
        }
    }
    std::string string() {
        std::uint32_t length = 0;
        switch (static_cast<BeaconTag>(byte())) {
            case BeaconTag::String: length = byte(); break;
            case BeaconTag::LString: length = little(4); break;
            default: throw BeaconFileError(std::string(msg::kInvalidValue));
        }
        // Checked against what is left before anything is allocated, so a
        // forged length of 4 GB costs nothing.
        need(length);
        std::string s(bytes_.substr(pos_, length));
        pos_ += length;
        return s;
    }
    bool boolean() { return byte() == static_cast<std::uint8_t>(BeaconTag::True); }
    void expect(BeaconTag t) {
        if (byte() != static_cast<std::uint8_t>(t)) throw BeaconFileError(std::string(msg::kInvalidValue));
    }

private:
    void need(std::size_t count) const {
        if (count > bytes_.size() - pos_) throw BeaconFileError(std::string(msg::kReadError));
    }
    std::uint32_t little(int count) {
        need(static_cast<std::size_t>(count));
        std::uint32_t v = 0;
        for (int i = 0; i < count; ++i) v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes_[pos_++])) << (8 * i);
        return v;
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
};

}  // namespace

std::string encodeBeaconFile(const BeaconContainer& container) {
    Writer w;
    w.string(kContainerClassName);
    w.integer(container.pageSize);
    w.tag(BeaconTag::List);
    for (const auto& [index, record] : container.records) {
        w.integer(index);
        w.string(record.SlotId);
        for (bool on : record.OnBand) w.boolean(on);
    }
    w.tag(BeaconTag::EndOfList);
    return w.take();
}

void decodeBeaconFile(std::string_view bytes, BeaconContainer& container) {
    Reader r(bytes);
    const std::string className = r.string();
    bool registered = false;
    for (auto known : kRegisteredClasses) registered = registered || className == known;
    if (!registered) throw BeaconFileError(formatWith(msg::kUnregisteredClass, className));
    if (className != kContainerClassName) throw BeaconFileError(std::string(msg::kClassDiffers));

    const std::int32_t pageSize = r.integer();
    if (pageSize != container.pageSize) {
        container.records.clear();
        container.pageSize = pageSize;
    }
    r.expect(BeaconTag::List);
    while (r.peek() != static_cast<std::uint8_t>(BeaconTag::EndOfList)) {
        const std::int32_t index = r.integer();
        if (index < 0) throw BeaconFileError(std::string(msg::kIndexOutOfRange));
        TBeaconRecord record;
        record.SlotId = r.string().substr(0, 2);
        for (bool& on : record.OnBand) on = r.boolean();
        container.records[index] = std::move(record);
    }
    r.expect(BeaconTag::EndOfList);
}

BeaconArray defaultBeaconArray() {
    BeaconArray beacons;
    for (int i = 0; i < kBeaconListCount; ++i) {
        auto& rec = beacons[static_cast<std::size_t>(i)];
        const int n = i + 1;
        rec.SlotId = std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
        switch (n) {
            case 3:
            case 4: rec.OnBand = {true, false, true, false, true}; break;
            case 8:
            case 9: rec.OnBand = {false, false, false, false, false}; break;
            case 10: rec.OnBand = {true, false, true, true, true}; break;
            default: rec.OnBand = {true, true, true, true, true}; break;
        }
    }
    return beacons;
}

BeaconContainer defaultBeaconContainer() {
    BeaconContainer c;
    const BeaconArray beacons = defaultBeaconArray();
    for (int i = 0; i < kBeaconListCount; ++i) c.records[i] = beacons[static_cast<std::size_t>(i)];
    return c;
}

}  // namespace orvane::beacons
