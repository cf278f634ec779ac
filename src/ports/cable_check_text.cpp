// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/cable_check_text.h"

#include <unistd.h>

#include <cstring>

namespace gsmprog {

namespace {

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string RunningText(const std::vector<SeenProcess>& processes) {
    return processes.empty() ? "не запущен" : "работает: " + ProcessesText(processes);
}

void AppendServices(const SystemServices& services, std::string& text) {
    text += "Система:\n";
    text += "  ModemManager: " + RunningText(services.modemManager) + "\n";
    text += "  brltty: ";
    if (services.brlttyFiles.empty() && services.brltty.empty()) text += "не установлен\n";
    else
        text += "установлен (" + Joined(services.brlttyFiles) + "), " +
                RunningText(services.brltty) + "\n";
    text += "  правило udev gsmprog: " +
            (services.gsmprogRules.empty() ? std::string("не установлено")
                                           : Joined(services.gsmprogRules)) +
            "\n";
}

// Whose open files /proc shows: all to root, else only this user's own.
std::string NoHolderText() {
    return ::geteuid() == 0 ? "нет" : "нет среди программ этого пользователя";
}

std::string AccessText(const PortAccess& access) {
    if (access.modeAllows) return "по правам";
    if (access.accessAllows) return "по ACL";
    return "нет";
}

void AppendPort(const CheckedCable& cable, std::string& text) {
    if (cable.node.empty()) return;
    const PortAccess& access = cable.access;
    text += "  порт " + cable.node;
    if (access.exists)
        text += ": владелец " + access.ownerName + ", группа " + access.groupName + ", права " +
                ModeText(access.mode) + ", доступ этому пользователю: " + AccessText(access);
    text += "\n  открывается: ";
    text += access.openError == 0 ? std::string("да")
                                  : std::string("нет (") + std::strerror(access.openError) + ")";
    text += "\n  занят другой программой: " +
            (cable.holders.empty() ? NoHolderText() : ProcessesText(cable.holders)) + "\n";
    text += "  задержка (latency_timer): " +
            (cable.latencyTimerMs ? std::to_string(*cable.latencyTimerMs) + " мс"
                                  : std::string("нет")) +
            "\n";
    if (!cable.usb) return;
    text += "  ModemManager: ";
    if (!cable.modemManagerIgnores) text += "udev не хранит сведений о порте\n";
    else if (*cable.modemManagerIgnores) text += "не трогает порт (ID_MM_DEVICE_IGNORE=1)\n";
    else text += "не предупреждён (нет ID_MM_DEVICE_IGNORE=1)\n";
}

void AppendAdapter(const CheckedCable& cable, std::string& text) {
    const FtdiUsbDevice& usb = *cable.usb;
    text += "Кабель FTDI " +
            (cable.serial.empty() ? std::string("без серийного номера") : cable.serial) + " (USB " +
            usb.usbPath + "): " + usb.vendorId + ":" + usb.productId;
    if (!usb.product.empty()) text += ", «" + usb.product + "»";
    if (!usb.manufacturer.empty()) text += ", " + usb.manufacturer;
    text += "\n";
    for (const UsbInterface& interface : usb.interfaces) {
        text += "  интерфейс " + interface.name + ": драйвер " +
                (interface.driver.empty() ? std::string("не подключён") : interface.driver);
        if (!interface.tty.empty()) text += ", порт " + interface.tty;
        text += "\n";
    }
    if (!cable.usbfsHolders.empty())
        text += "  работает с ним в обход драйвера (usbfs): " + ProcessesText(cable.usbfsHolders) +
                "\n";
}

void AppendCable(const CheckedCable& cable, std::string& text) {
    if (cable.usb) {
        AppendAdapter(cable, text);
    } else {
        text += "Виртуальный кабель " + cable.serial + ": " + cable.node;
        if (!cable.modem.empty()) text += ", модем " + ProcessesText(cable.modem);
        text += "\n";
    }
    AppendPort(cable, text);
    for (const std::string& verdict : cable.verdicts) text += "! " + verdict + "\n";
    text += cable.usable ? "  готов к работе\n" : "  не готов к работе\n";
}

}  // namespace

std::string CableCheckText(const CableCheck& check) {
    std::string text;
    AppendServices(check.services, text);
    for (const CheckedCable& cable : check.cables) AppendCable(cable, text);
    for (const std::string& verdict : check.verdicts) text += "! " + verdict + "\n";
    text += check.Usable() ? "Итог: есть кабель, готовый к работе.\n"
                           : "Итог: готового к работе кабеля нет.\n";
    return text;
}

}  // namespace gsmprog
