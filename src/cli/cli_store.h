// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The store step of the commands that write the database: after a modem exchange, or a new
// card made from a modem's image. A command holds the right to write the database (its
// DatabaseLock) only for that step, so that several commands can program several modems at
// once; the window holds it for its whole run.

#include <functional>
#include <string>

#include "cards/card_database.h"
#include "cards/device_codes.h"

namespace gsmprog::cli {

// Whether the result of an exchange could be stored now: ExitSuccess, or ExitWriteFailure
// with the reason and `untouchedText` printed (the modem is then left alone). Fails at once
// when a window holds the database, saying to close that window or to do `windowWork` in it
// ("запрограммируйте модем"), or when `database` cannot be written.
int CheckStorable(const CardDatabase& database, const std::string& untouchedText,
                  const std::string& windowWork);

// Takes the right to write (waiting a few seconds for whoever holds it), reads the
// database as it stands on disk now into `database` (the command's own copy, whose memory is
// reused), applies `change` to card `slot` and saves it. On failure prints `lostText` with the
// reason, adds that line to `told` (when given) and returns ExitWriteFailure.
int StoreInCard(CardDatabase& database, int slot, const std::function<void(CardRecord&)>& change,
                const std::string& lostText, std::string* told = nullptr);

// The same for a new card: puts `card` into the empty slot `slot`, unless the slot has been
// taken or a device code of the card has got into another card meanwhile.
int StoreNewCard(CardDatabase& database, int slot, const CardRecord& card,
                 const std::string& lostText);

// "строка N уже занята карточкой".
std::string RowTakenText(int slot);
// The window's refusal of a card whose device code another card has, with the device and the
// other card's row.
std::string DeviceCodeClashText(const DeviceCodeClash& clash);

}  // namespace gsmprog::cli
