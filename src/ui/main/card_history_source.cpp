// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/card_history_source.h"

#include <sys/resource.h>
#include <unistd.h>

namespace gsmprog {

namespace {

// The niceness of the read aside: a large journal read whole yields to the window.
constexpr int BackgroundNice = 10;

}  // namespace

CardHistorySource::CardHistorySource(std::filesystem::path journal, QObject* parent)
    : QObject(parent), index_(std::make_unique<CardHistoryIndex>(std::move(journal))) {}

CardHistorySource::~CardHistorySource() {
    if (reader_.joinable()) reader_.join();
}

std::string CardHistorySource::HistoryText(int slot, const CardRecord& card) {
    if (index_ && !index_->Update(InlineReadLimit)) ReadAside();
    if (!index_) return ReadingText;
    return CardHistoryText(index_->LastProgramming(slot, card));
}

const CardHistoryIndex& CardHistorySource::Current() {
    TakeBack();
    index_->Update();
    return *index_;
}

void CardHistorySource::ReadAside() {
    if (reader_.joinable()) reader_.join();
    reader_ = std::thread([this, index = std::move(index_)]() mutable {
        // Behind the window's own work, such as its first paint, on a machine of few cores.
        ::setpriority(PRIO_PROCESS, ::gettid(), BackgroundNice);
        index->Update();
        readAside_ = std::move(index);
        // Queued to the window's thread; dropped with this object if it goes first.
        QMetaObject::invokeMethod(
            this,
            [this] {
                TakeBack();
                if (ready_) ready_();
            },
            Qt::QueuedConnection);
    });
}

void CardHistorySource::TakeBack() {
    if (reader_.joinable()) reader_.join();
    if (readAside_) index_ = std::move(readAside_);
}

}  // namespace gsmprog
