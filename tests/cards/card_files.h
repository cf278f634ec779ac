// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Database files made byte by byte for the card tests.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "cards/card_record.h"

namespace gsmprog::test {

// The names in `dir`, sorted.
std::vector<std::string> FileNames(const std::filesystem::path& dir);

std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

// The bytes of a generation-12 file of `cards` card blocks followed by `templateCard`;
// block i holds PatternCard(i + 1).
std::string Gen12File(std::size_t cards, const CardRecord& templateCard);

// A generation-11 block: record bytes 0..311 and 440..887.
std::string Gen11Block(const CardRecord& card);
// The bytes of a generation-11 file of `cards` blocks (PatternCard(i + 1)) and a template.
std::string Gen11File(std::size_t cards, const CardRecord& templateCard);

std::string Bytes(const CardRecord& card);

}  // namespace gsmprog::test
