#include "binding/MessagePackReader.h"

#include "binding/BindingTreeBuilder.h"
#include "log/MessageFormat.h"

#include <algorithm>
#include <bit>
#include <string>
#include <string_view>
#include <vector>

namespace kor {
namespace {

constexpr std::string_view kInvalidFormat = "Invalid MessagePack data at position %1.";
constexpr std::string_view kKeyNotString = "Invalid MessagePack data at position %1. Map keys must be strings.";
constexpr std::string_view kLimitReached = "Invalid MessagePack data at position %1. %2";
constexpr std::string_view kTruncated8 = "Invalid MessagePack data. 8-bit integer value at position %1 is truncated.";
constexpr std::string_view kTruncated16 = "Invalid MessagePack data. 16-bit integer value at position %1 is truncated.";
constexpr std::string_view kTruncated32 = "Invalid MessagePack data. 32-bit integer value at position %1 is truncated.";
constexpr std::string_view kTruncated64 = "Invalid MessagePack data. 64-bit integer value at position %1 is truncated.";
constexpr std::string_view kStringTruncated =
    "Invalid MessagePack data. String of size %1 at position %2 is truncated.";
constexpr std::string_view kBytesTruncated =
    "Invalid MessagePack data. Raw bytes of size %1 at position %2 are truncated.";
constexpr std::string_view kArrayTruncated = "Invalid MessagePack data. Array of size %1 at position %2 is truncated.";
constexpr std::string_view kMapTruncated = "Invalid MessagePack data. Map of size %1 at position %2 is truncated.";

// An open array or map: how many items (elements, or keys and values) its
// header announced and how many were read.
struct Frame {
    bool isMap;
    uint64_t count;     // elements or entries, as announced
    uint64_t expected;  // items: count, or twice the count for a map
    uint64_t seen;
    std::size_t headerPosition;
    uint64_t promised = 0;  // bytes still needed by what this container reserved
};

class MessagePackDecoder {
public:
    MessagePackDecoder(std::span<const uint8_t> input, BindingResult& result)
        : input_(input), result_(result), builder_(result.value()) {}

    // Decodes the first value; returns the bytes consumed.
    std::size_t Run();

private:
    bool ok() const { return result_.ok(); }
    std::size_t remaining() const { return input_.size() - position_; }
    void Fail(const std::string& message) { result_.SetFailure(message); }

    void CloseFinishedContainers();
    void ReadKey(uint8_t format);
    void ReadValue(uint8_t format, BindingProperty& target);

    // Reads a big-endian number of `width` bytes; fails with the truncation
    // message of that width when the input ends first.
    bool ReadNumber(std::size_t width, uint64_t& value);
    // Reads a length of `width` bytes, then that many bytes.
    bool ReadSized(std::size_t width, bool isText, std::span<const uint8_t>& bytes);
    bool ReadBytes(uint64_t length, bool isText, std::span<const uint8_t>& bytes);
    void OpenContainer(BindingProperty& target, bool isMap, uint64_t count, std::size_t headerPosition);

    std::span<const uint8_t> input_;
    BindingResult& result_;
    BindingTreeBuilder builder_;
    std::vector<Frame> frames_;
    std::size_t position_ = 0;
    // The input bytes that what the open containers reserved still needs,
    // over all of them: a byte per array element, two per map entry.
    uint64_t promised_ = 0;
};

std::string_view AsText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool IsStringFormat(uint8_t format) { return (format >= 0xA0 && format <= 0xBF) || (format >= 0xD9 && format <= 0xDB); }

std::size_t MessagePackDecoder::Run() {
    frames_.reserve(16);
    bool started = false;
    while (ok() && position_ < input_.size()) {
        CloseFinishedContainers();
        if (started && frames_.empty()) break;  // the first value is complete
        started = true;
        const bool keyDue = !frames_.empty() && frames_.back().isMap && frames_.back().seen % 2 == 0;
        const uint8_t format = input_[position_++];
        if (keyDue) {
            ReadKey(format);
            continue;
        }
        BindingProperty* target = builder_.NextTarget();
        if (target == nullptr) {
            Fail(FormatMessage(kLimitReached, position_, BindingTreeBuilder::LimitMessage(builder_.limit())));
            break;
        }
        if (!frames_.empty()) {
            Frame& frame = frames_.back();
            ++frame.seen;
            if (frame.promised > 0) {
                --frame.promised;
                --promised_;
            }
        }
        ReadValue(format, *target);
    }
    CloseFinishedContainers();
    if (ok() && !frames_.empty()) {
        const Frame& open = frames_.back();
        Fail(FormatMessage(open.isMap ? kMapTruncated : kArrayTruncated, open.count, open.headerPosition));
    }
    return position_;
}

void MessagePackDecoder::CloseFinishedContainers() {
    while (!frames_.empty() && frames_.back().seen == frames_.back().expected) {
        promised_ -= frames_.back().promised;
        frames_.pop_back();
        builder_.Close();
    }
}

void MessagePackDecoder::ReadKey(uint8_t format) {
    if (!IsStringFormat(format)) {
        Fail(FormatMessage(kKeyNotString, position_));
        return;
    }
    std::span<const uint8_t> key;
    const bool read = format <= 0xBF ? ReadBytes(format & 0x1Fu, true, key)
                                     : ReadSized(std::size_t{1} << (format - 0xD9), true, key);
    if (!read) return;
    builder_.SetKey(AsText(key));
    Frame& frame = frames_.back();
    ++frame.seen;
    if (frame.promised > 0) {
        --frame.promised;
        --promised_;
    }
}

bool MessagePackDecoder::ReadNumber(std::size_t width, uint64_t& value) {
    if (remaining() < width) {
        const std::string_view message = width == 1   ? kTruncated8
                                         : width == 2 ? kTruncated16
                                         : width == 4 ? kTruncated32
                                                      : kTruncated64;
        Fail(FormatMessage(message, position_));
        return false;
    }
    value = 0;
    for (std::size_t index = 0; index < width; ++index) value = (value << 8) | input_[position_ + index];
    position_ += width;
    return true;
}

bool MessagePackDecoder::ReadBytes(uint64_t length, bool isText, std::span<const uint8_t>& bytes) {
    if (remaining() < length) {
        Fail(FormatMessage(isText ? kStringTruncated : kBytesTruncated, length, position_));
        return false;
    }
    bytes = input_.subspan(position_, static_cast<std::size_t>(length));
    position_ += static_cast<std::size_t>(length);
    return true;
}

bool MessagePackDecoder::ReadSized(std::size_t width, bool isText, std::span<const uint8_t>& bytes) {
    uint64_t length = 0;
    return ReadNumber(width, length) && ReadBytes(length, isText, bytes);
}

void MessagePackDecoder::OpenContainer(BindingProperty& target, bool isMap, uint64_t count,
                                       std::size_t headerPosition) {
    const bool opened = isMap ? builder_.OpenStructure(target) : builder_.OpenCollection(target);
    if (!opened) {
        Fail(FormatMessage(kLimitReached, position_, BindingTreeBuilder::LimitMessage(builder_.limit())));
        return;
    }
    // Every element takes at least one byte, every map entry two (its key
    // and its value): a count beyond the bytes left cannot be honest, and
    // must not size the allocation. Bytes that an enclosing container's
    // reservation already counts on are not left either, or nested headers
    // would each reserve the whole rest again.
    const uint64_t unclaimed = remaining() > promised_ ? remaining() - promised_ : 0;
    uint64_t plausible = 0;
    if (isMap) {
        plausible = std::min(count, unclaimed / 2);
        target.ReserveMembers(static_cast<std::size_t>(target.Size() + plausible));
        plausible *= 2;  // bytes
    } else {
        const uint64_t room = BindingProperty::kMaxElements - target.Size();
        plausible = std::min({count, unclaimed, room});
        target.Reserve(target.Size() + plausible);
    }
    promised_ += plausible;
    frames_.push_back(Frame{isMap, count, isMap ? count * 2 : count, 0, headerPosition, plausible});
}

void MessagePackDecoder::ReadValue(uint8_t format, BindingProperty& target) {
    const std::size_t header = position_ - 1;
    uint64_t number = 0;
    std::span<const uint8_t> bytes;
    if (format <= 0x7F) {
        target.SetSigned(format);
    } else if (format <= 0x8F) {
        OpenContainer(target, true, format & 0x0Fu, header);
    } else if (format <= 0x9F) {
        OpenContainer(target, false, format & 0x0Fu, header);
    } else if (format <= 0xBF) {
        if (ReadBytes(format & 0x1Fu, true, bytes)) target.SetString(AsText(bytes));
    } else if (format >= 0xE0) {
        target.SetSigned(static_cast<int8_t>(format));
    } else {
        switch (format) {
            case 0xC0:
                target.Clear();
                break;
            case 0xC2:
            case 0xC3:
                target.SetBool(format == 0xC3);
                break;
            case 0xC4:
            case 0xC5:
            case 0xC6:
                if (ReadSized(std::size_t{1} << (format - 0xC4), false, bytes)) target.SetBlob(bytes);
                break;
            case 0xCA:
                if (ReadNumber(4, number)) target.SetFloat(std::bit_cast<float>(static_cast<uint32_t>(number)));
                break;
            case 0xCB:
                if (ReadNumber(8, number)) target.SetFloat(std::bit_cast<double>(number));
                break;
            case 0xCC:
            case 0xCD:
            case 0xCE:
            case 0xCF:
                if (ReadNumber(std::size_t{1} << (format - 0xCC), number)) target.SetUnsigned(number);
                break;
            case 0xD0:
                if (ReadNumber(1, number)) target.SetSigned(static_cast<int8_t>(number));
                break;
            case 0xD1:
                if (ReadNumber(2, number)) target.SetSigned(static_cast<int16_t>(number));
                break;
            case 0xD2:
                if (ReadNumber(4, number)) target.SetSigned(static_cast<int32_t>(number));
                break;
            case 0xD3:
                if (ReadNumber(8, number)) target.SetSigned(static_cast<int64_t>(number));
                break;
            case 0xD9:
            case 0xDA:
            case 0xDB:
                if (ReadSized(std::size_t{1} << (format - 0xD9), true, bytes)) target.SetString(AsText(bytes));
                break;
            case 0xDC:
            case 0xDD:
                if (ReadNumber(format == 0xDC ? 2 : 4, number)) OpenContainer(target, false, number, header);
                break;
            case 0xDE:
            case 0xDF:
                if (ReadNumber(format == 0xDE ? 2 : 4, number)) OpenContainer(target, true, number, header);
                break;
            default:  // 0xC1 and the extension types
                Fail(FormatMessage(kInvalidFormat, position_));
                break;
        }
    }
}

}  // namespace

MessagePackDecoding ReadMessagePack(std::span<const uint8_t> bytes) {
    MessagePackDecoding decoding;
    MessagePackDecoder decoder(bytes, decoding.result);
    decoding.bytesConsumed = decoder.Run();
    return decoding;
}

}  // namespace kor
