#include "cards/card_files.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

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

CardRecord SampleCard(int number) {
    CardRecord card{};
    auto* bytes = reinterpret_cast<unsigned char*>(&card);
    // Every byte that a record may hold, as a function of the card and the offset; the two
    // dates are then set to real dates.
    for (std::size_t i = 0; i < sizeof card; ++i) bytes[i] = static_cast<unsigned char>(number * 31 + i * 7 + 1);
    card.DateChanged = 45000.5 + number;
    card.DateProgrammed = 45001.25 + number;
    return card;
}

std::string Gen12File(std::size_t cards, const CardRecord& templateCard) {
    std::string file;
    file.reserve((cards + 1) * CardRecordSize);
    for (std::size_t i = 0; i < cards; ++i) file += Bytes(SampleCard(int(i) + 1));
    return file + Bytes(templateCard);
}

std::string Gen11Block(const CardRecord& card) {
    const std::string bytes = Bytes(card);
    return bytes.substr(0, 312) + bytes.substr(440);
}

std::string Gen11File(std::size_t cards, const CardRecord& templateCard) {
    std::string file;
    for (std::size_t i = 0; i < cards; ++i) file += Gen11Block(SampleCard(int(i) + 1));
    return file + Gen11Block(templateCard);
}

}  // namespace gsmprog::test
