#include "card_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace gsmprog::testing {

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "gsmprog-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code error;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(path_, error);
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

}  // namespace gsmprog::testing
