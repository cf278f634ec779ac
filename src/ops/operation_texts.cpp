// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/operation_texts.h"

namespace gsmprog {

const char* ExchangeFailureText(LinkOperation operation, LinkResult result) {
    if (result == LinkDone || result == LinkStopped) return nullptr;
    if (result == LinkCableFailure) return CableAccessFailureText;
    switch (operation) {
    case LinkOperation::ProgramModem: return "УОО вернул ошибку при программировании";
    case LinkOperation::ReadModem: return "УОО вернул ошибку при считывании";
    case LinkOperation::WriteUo: break;
    }
    return "Ошибка при программировании УО";
}

std::string SilenceText(const WriteSilence& silence) {
    if (!silence.silent) return {};
    const std::string count = std::to_string(silence.blockCount);
    if (silence.endSent)
        return "Модем перестал отвечать после последнего блока: приняты все " + count +
               " блоков, запись не подтверждена.";
    if (silence.blocksSent == 0)
        return "Модем перестал отвечать после READY: ни один блок образа не запрошен.";
    return "Модем перестал отвечать после блока " + std::to_string(silence.blocksSent) + " из " +
           count + ": ответа на него нет.";
}

}  // namespace gsmprog
