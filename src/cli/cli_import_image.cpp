// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli import-image FILE [ROW]: a new card with the settings of a modem image saved by
// `read --image`, in the first empty row or in ROW.

#include <fstream>
#include <iterator>

#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "cli/cli_settings.h"
#include "ops/image_settings.h"

namespace gsmprog::cli {
namespace {

// No image file is larger; reading stops there whatever the file holds.
constexpr std::size_t MostImageBytes = LongImageSize + 1;

int ImportImage(CliContext& context) {
    if (context.args.empty() || context.args.size() > 2)
        return UsageError("import-image ожидает ФАЙЛ и, если нужно, номер строки");
    int slot = -1;
    if (context.args.size() == 2)
        if (int status = ParseRow(context.args[1], slot)) return status;
    const std::string& file = context.args[0];
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        PrintFailure("не удалось открыть " + file);
        return ExitUsage;
    }
    std::vector<std::uint8_t> bytes(MostImageBytes);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    if (in.bad()) {
        PrintFailure("не удалось прочитать " + file);
        return ExitUsage;
    }
    bytes.resize(std::size_t(in.gcount()));
    WideImage image;
    if (!EvaluateSavedImage(bytes, image)) {
        PrintFailure(
            file + ": нет образа настроек модема (316 или 444 байта с верной контрольной суммой)");
        return ExitUsage;
    }
    return MakeNewCard(image, slot);
}

const CliCommandRegistrar registrar(CliGroup::Cards, "import-image", "import-image ФАЙЛ [СТРОКА]",
                                    "новая карточка из образа, сохранённого read --image",
                                    ImportImage);

}  // namespace
}  // namespace gsmprog::cli
