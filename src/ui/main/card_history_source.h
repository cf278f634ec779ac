// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's one index of the cards' histories in the operations journal, asked on
// every selection. What was appended since is read at once (an entry is a few hundred bytes);
// a large journal to be read whole (the first time, or one replaced) is read off the window's
// thread, and the window is told when it is in.

#include <QObject>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ops/card_history_index.h"

namespace gsmprog {

class CardHistorySource final : public QObject {
public:
    // Read on the window's thread: about a millisecond's work.
    static constexpr std::uint64_t InlineReadLimit = 256 * 1024;
    static constexpr const char* ReadingText = "читается журнал операций…";

    explicit CardHistorySource(std::filesystem::path journal, QObject* parent = nullptr);
    // Waits for a read aside to end: it reads a file only.
    ~CardHistorySource() override;

    // Called on the window's thread when a read aside has ended.
    void OnReady(std::function<void()> ready) { ready_ = std::move(ready); }

    // The card's history line, or ReadingText while the journal is read aside.
    std::string HistoryText(int slot, const CardRecord& card);
    // The index up to date now, after a read aside has ended: for the answers a user asked for
    // (a read's window, "Что изменено после программирования"), which are not put off.
    const CardHistoryIndex& Current();

    // A read aside is running.
    bool Reading() const { return !index_; }

private:
    void ReadAside();
    // Takes the index back from the read aside once it has ended.
    void TakeBack();

    std::unique_ptr<CardHistoryIndex> index_;  // null while it is read aside
    // Written by the read aside just before it ends, taken after joining it: never shared.
    std::unique_ptr<CardHistoryIndex> readAside_;
    std::thread reader_;
    std::function<void()> ready_;
};

}  // namespace gsmprog
