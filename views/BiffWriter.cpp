#include "BiffWriter.h"

#include <QList>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>

namespace zor {

namespace {

constexpr std::uint16_t kBiffVersion = 0;
constexpr std::uint16_t kWorksheetType = 0x0010;
constexpr int kBofLength = 8;
constexpr int kCellLength = 6;
constexpr int kNumberLength = kCellLength + 8;
constexpr int kRkLength = kCellLength + 4;
constexpr int kLabelHeaderLength = kCellLength + 2;
constexpr std::uint16_t kDefaultFormat = 0;

constexpr int kByteBits = 8;
constexpr int kWordBits = 16;
constexpr int kDoubleBits = 64;
constexpr std::uint16_t kLowByte = 0xFF;
constexpr std::uint32_t kLowWord = 0xFFFF;

constexpr char kUnmapped = '?';
constexpr char32_t kAsciiEnd = 0x80;
constexpr char32_t kUpperHalfStart = 0xA0;
constexpr char32_t kLatin1End = 0x100;
// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page has no character.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Whole numbers in 30 signed bits: RK keeps them in bits 2..31.
constexpr std::int64_t kRkMin = -(std::int64_t(1) << 29);
constexpr std::int64_t kRkMax = (std::int64_t(1) << 29) - 1;
constexpr std::uint32_t kRkIntegerFlag = 0x2;
constexpr int kRkShift = 2;

char encodeOne(char32_t c) {
    if (c < kAsciiEnd || (c >= kUpperHalfStart && c < kLatin1End))
        return char(c);
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] != 0 && kHighControls[i] == c)
            return char(kAsciiEnd + i);
    }
    return kUnmapped;
}

} // namespace

QByteArray toWindows1252(const QString& text) {
    QByteArray out;
    for (char32_t c : text.toUcs4())
        out.append(encodeOne(c));
    return out;
}

std::optional<std::uint32_t> rkOf(double value) {
    if (!std::isfinite(value) || value != std::trunc(value) || value < double(kRkMin) ||
        value > double(kRkMax))
        return std::nullopt;
    const auto whole = std::int32_t(value);
    return (std::uint32_t(whole) << kRkShift) | kRkIntegerFlag;
}

BiffWriter::BiffWriter() {
    header(BiffRecord::Bof, kBofLength);
    word(kBiffVersion);
    word(kWorksheetType);
    word(0);
    word(0);
}

void BiffWriter::word(std::uint16_t value) {
    bytes_.append(char(value & kLowByte));
    bytes_.append(char(value >> kByteBits));
}

void BiffWriter::header(BiffRecord kind, int length) {
    word(std::uint16_t(kind));
    word(std::uint16_t(length));
}

void BiffWriter::cellStart(int row, int column, std::uint16_t format) {
    word(std::uint16_t(row));
    word(std::uint16_t(column));
    word(format);
}

void BiffWriter::label(int row, int column, const QString& text) {
    const QByteArray chars = toWindows1252(text).left(kMaxLabelBytes);
    header(BiffRecord::Label, kLabelHeaderLength + int(chars.size()));
    cellStart(row, column, kDefaultFormat);
    word(std::uint16_t(chars.size()));
    bytes_.append(chars);
}

void BiffWriter::number(int row, int column, double value) {
    if (const auto rk = rkOf(value)) {
        header(BiffRecord::Rk, kRkLength);
        cellStart(row, column, kDefaultFormat);
        word(std::uint16_t(*rk & kLowWord));
        word(std::uint16_t(*rk >> kWordBits));
        return;
    }
    header(BiffRecord::Number, kNumberLength);
    cellStart(row, column, kDefaultFormat);
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int shift = 0; shift < kDoubleBits; shift += kWordBits)
        word(std::uint16_t(bits >> shift));
}

void BiffWriter::blank(int row, int column) {
    header(BiffRecord::Blank, kCellLength);
    cellStart(row, column, kBlankFormat);
}

QByteArray BiffWriter::finish() {
    header(BiffRecord::Eof, 0);
    QByteArray out;
    out.swap(bytes_);
    return out;
}

} // namespace zor
