// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/win1251.h"

#include <cstring>

#include "text/charset.h"

namespace gsmprog {

QString FromWin1251(const char* field, std::size_t size) {
    const void* zero = std::memchr(field, 0, size);
    const std::size_t length = zero ? std::size_t(static_cast<const char*>(zero) - field) : size;
    return QString::fromStdString(Win1251ToUtf8(std::string_view(field, length)));
}

QString FromWin1251(const std::string& bytes) {
    return QString::fromStdString(Win1251ToUtf8(bytes));
}

bool ToWin1251(const QString& text, std::string& bytes) {
    // A lone surrogate becomes U+FFFD here, which has no byte: such a text is refused too.
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToWin1251(std::string_view(utf8.constData(), std::size_t(utf8.size())), bytes);
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
