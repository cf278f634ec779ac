// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli import-image FILE [ROW]: a new card with the settings of a modem image saved by
// `read --image`, in the first empty row or in ROW.

#include <cerrno>

#include "cards/error_text.h"
#include "cards/file_reads.h"
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
    std::vector<std::uint8_t> bytes;
    if (!ReadRegularFile(file, MostImageBytes, bytes)) {
        PrintFailure("не удалось прочитать " + file + ": " + ReadErrorText(file, errno));
        return ExitUsage;
    }
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
