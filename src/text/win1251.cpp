#include "win1251.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cstring>

namespace gsmprog {

namespace {
constexpr const char* CodecName = "windows-1251";
}

QString FromWin1251(const char* field, std::size_t size) {
    const void* zero = std::memchr(field, 0, size);
    const std::size_t length = zero ? std::size_t(static_cast<const char*>(zero) - field) : size;
    QStringDecoder decoder(CodecName);
    return decoder.decode(QByteArrayView(field, qsizetype(length)));
}

QString FromWin1251(const std::string& bytes) {
    QStringDecoder decoder(CodecName);
    return decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

bool ToWin1251(const QString& text, std::string& bytes) {
    QStringEncoder encoder(CodecName);
    const QByteArray encoded = encoder.encode(text);
    // The decoding check also refuses any best-fit substitute the codec might choose.
    if (encoder.hasError() || QStringDecoder(CodecName).decode(encoded) != text) return false;
    bytes.assign(encoded.constData(), std::size_t(encoded.size()));
    return true;
}

bool IsWin1251(const QString& text) {
    std::string unused;
    return ToWin1251(text, unused);
}

bool StoreWin1251(const QString& text, char* field, std::size_t size) {
    std::string bytes;
    // A zero byte would end the stored text early.
    if (size == 0 || !ToWin1251(text, bytes) || bytes.size() >= size ||
        bytes.find('\0') != std::string::npos)
        return false;
    std::memset(field, 0, size);
    std::memcpy(field, bytes.data(), bytes.size());
    return true;
}

}  // namespace gsmprog
