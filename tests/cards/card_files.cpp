// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/card_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "support/sample_cards.h"

namespace gsmprog::test {

std::vector<std::string> FileNames(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string Bytes(const CardRecord& card) {
    return {reinterpret_cast<const char*>(&card), sizeof card};
}

std::string Gen12File(std::size_t cards, const CardRecord& templateCard) {
    std::string file;
    file.reserve((cards + 1) * CardRecordSize);
    for (std::size_t i = 0; i < cards; ++i) file += Bytes(PatternCard(int(i) + 1));
    return file + Bytes(templateCard);
}

std::string Gen11Block(const CardRecord& card) {
    const std::string bytes = Bytes(card);
    return bytes.substr(0, 312) + bytes.substr(440);
}

std::string Gen11File(std::size_t cards, const CardRecord& templateCard) {
    std::string file;
    for (std::size_t i = 0; i < cards; ++i) file += Gen11Block(PatternCard(int(i) + 1));
    return file + Gen11Block(templateCard);
}

}  // namespace gsmprog::test
