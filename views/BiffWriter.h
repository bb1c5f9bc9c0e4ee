#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace zor {

// Record kinds of a bare BIFF worksheet stream.
enum class BiffRecord : std::uint16_t {
    Bof = 0x0809,
    Blank = 0x0201,
    Number = 0x0203,
    Label = 0x0204,
    Rk = 0x027E,
    Eof = 0x000A,
};

// Text in the Windows-1252 code page; characters it lacks become '?'.
QByteArray toWindows1252(const QString& text);

// The RK form of a whole number that fits in 30 signed bits; nothing otherwise.
std::optional<std::uint32_t> rkOf(double value);

// Writes the records of one worksheet, little-endian, rows and columns counted from 0.
class BiffWriter {
public:
    static constexpr int kMaxLabelBytes = 255;
    static constexpr std::uint16_t kBlankFormat = 0x17;

    BiffWriter();

    void label(int row, int column, const QString& text);
    // A whole number that fits goes as RK, any other as NUMBER.
    void number(int row, int column, double value);
    void blank(int row, int column);

    // Ends the stream with EOF and hands it over.
    QByteArray finish();

private:
    void header(BiffRecord kind, int length);
    void word(std::uint16_t value);
    void cellStart(int row, int column, std::uint16_t format);

    QByteArray bytes_;
};

} // namespace zor
