#pragma once
// The status line of the control window: "Нет связи" until the modem is in control mode,
// "Связь установлена" while it is, and the latest failure with its time from the failure
// until the next good reply.

#include <QString>
#include <cstdint>
#include <string>

namespace gsmprog {

class LinkStateLine {
public:
    static constexpr const char* NoLinkText = "Нет связи";
    static constexpr const char* LinkUpText = "Связь установлена";

    // At each opening of the window.
    void Opened();
    // An error condition or error reply of the link: `message` is its text (may be empty),
    // `errorState` the link's error state (0 for an error reply).
    void Failed(const QString& time, const std::string& message, std::uint32_t errorState);
    // A frame the modem sent that the link accepted.
    void Replied() { failure_.clear(); }
    // The text to show; `inControlMode` is the link's state now, `nowMs` a steady clock.
    QString Text(bool inControlMode, std::int64_t nowMs);

private:
    QString failure_;
    bool up_ = false;
    std::int64_t lastUpMs_ = 0;
};

}  // namespace gsmprog
