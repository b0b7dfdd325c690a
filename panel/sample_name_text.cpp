#include "panel/sample_name_text.h"

#include <QStringDecoder>

#include <array>

namespace tamboro {

namespace {

// Windows-1252 bytes 0x80..0x9F; the five it leaves undefined keep their
// code points, as the system's own conversion does.
constexpr std::array<char16_t, 32> Windows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromWindows1252(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.append(QChar(b >= 0x80 && b < 0xA0 ? Windows1252High[b - 0x80] : char16_t{b}));
    }
    return text;
}

}  // namespace

QString sampleNameText(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError())
        return text;
    return fromWindows1252(bytes);
}

}  // namespace tamboro
