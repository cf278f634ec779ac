// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SIGTERM and SIGHUP (a logout, `kill`) end the window as a close would, instead of killing it
// where it stands: the handler only writes the signal to a pipe, and the window's thread
// reads it there and runs `onEnd`. One instance at a time; the default actions come back
// when it goes.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace gsmprog {

class EndSignals final : public QObject {
public:
    explicit EndSignals(std::function<void()> onEnd, QObject* parent = nullptr);
    ~EndSignals() override;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

private:
    void Received();

    std::function<void()> onEnd_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace gsmprog
