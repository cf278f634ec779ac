// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/csv_export.h"

#include "cards/card_fields.h"
#include "cards/csv_field.h"
#include "cards/file_writes.h"

namespace gsmprog {

namespace {

void AppendOrNa(std::string& line, std::string_view text) {
    AppendCsvField(line, text.empty() ? std::string_view("NA") : text);
}

template <typename Entry>
void AppendDeviceEntries(std::string& line, const CardRecord& card, Entry entry) {
    for (int i = 0; i < 4; ++i) {
        if (i > 0) line += ',';
        line += card.UoType[i] != 0 ? std::to_string(entry(i)) : std::string("NA");
    }
}

}  // namespace

std::string CsvText(const CardRecord* cards, int count) {
    std::string text = CsvHeader;
    for (int slot = 0; slot < count; ++slot) {
        const CardRecord& card = cards[slot];
        if (!card.InUse()) continue;
        AppendCsvField(text, FieldText(card.NCardEdit));
        text += ';';
        AppendOrNa(text, FieldText(card.Edit1));
        text += ';';
        AppendDeviceEntries(text, card, [&](int i) { return std::uint32_t(card.UoCode[i]); });
        text += ';';
        AppendDeviceEntries(text, card, [&](int i) { return unsigned(card.UoLineAddress[i]); });
        text += ';';
        AppendCsvField(text, FieldText(card.Pin1Edit));
        text += ';';
        AppendCsvField(text, FieldText(card.Pin2Edit));
        text += ';';
        AppendOrNa(text, FieldText(card.SIM_ID1_Edit));
        text += ';';
        AppendOrNa(text, FieldText(card.SIM_ID2_Edit));
        text += "\r\n";
    }
    return text;
}

bool ExportCsv(const std::filesystem::path& fileName, const CardRecord* cards, int count) {
    const std::string text = CsvText(cards, count);
    const ByteChunk chunks[] = {{text.data(), text.size()}};
    return ReplaceRegularFile(fileName, chunks);
}

}  // namespace gsmprog
