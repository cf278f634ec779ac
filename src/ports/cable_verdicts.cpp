// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/cable_verdicts.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ports/cable_directory.h"

namespace gsmprog {

namespace {

bool AnyDriver(const FtdiUsbDevice& device, const char* driver) {
    return std::any_of(device.interfaces.begin(), device.interfaces.end(),
                       [&](const UsbInterface& interface) { return interface.driver == driver; });
}

bool NoDriver(const FtdiUsbDevice& device) {
    return std::all_of(device.interfaces.begin(), device.interfaces.end(),
                       [](const UsbInterface& interface) { return interface.driver.empty(); });
}

bool AnyNamed(const std::vector<SeenProcess>& processes, const char* name) {
    return std::any_of(processes.begin(), processes.end(),
                       [&](const SeenProcess& process) { return process.name == name; });
}

std::string SystemError(int error) {
    return std::string(std::strerror(error)) + " (errno " + std::to_string(error) + ")";
}

// Why the adapter has no port, when it has none.
std::string AdapterVerdict(const CheckedCable& cable) {
    const FtdiUsbDevice& usb = *cable.usb;
    if (cable.heldByBrltty)
        return "brltty забрал кабель: без брайлевского дисплея удалите его (sudo apt remove "
               "brltty), с дисплеем удалите строки " +
               RuleHex(usb.vendorId) + "/" + RuleHex(usb.productId) +
               " из копии его правила в /etc/udev/rules.d/; затем "
               "переподключите кабель";
    if (AnyDriver(usb, "usbfs")) {
        if (cable.usbfsHolders.empty())
            return "Кабель взят программой в обход драйвера (usbfs), её не видно этому "
                   "пользователю: найдите её (sudo fuser -v " +
                   UsbfsNode(usb) + "), закройте и переподключите кабель";
        return "Кабель взят программой в обход драйвера (usbfs): " +
               ProcessesText(cable.usbfsHolders) + "; закройте её и переподключите кабель";
    }
    for (const UsbInterface& interface : usb.interfaces)
        if (!interface.driver.empty())
            return "Кабель взял драйвер " + interface.driver +
                   ", а не ftdi_sio, и порта у него нет: "
                   "выгрузите этот драйвер (sudo modprobe -r " +
                   interface.driver + ") и переподключите кабель";
    if (usb.productId == "0000")
        return "Код изделия 0000: вероятно, поддельная микросхема, стёртая драйвером; замените "
               "кабель или до отключения отдайте его драйверу: echo 0403 0000 | sudo tee "
               "/sys/bus/usb-serial/drivers/ftdi_sio/new_id";
    return "Драйвер ftdi_sio не взял кабель: загрузите его (sudo modprobe ftdi_sio) и "
           "переподключите кабель";
}

std::string GroupToJoin(const PortAccess& access) {
    return access.groupName.empty() || access.groupName == "root" ? "dialout" : access.groupName;
}

void JudgePort(CheckedCable& cable, const SystemServices& services) {
    std::vector<std::string>& verdicts = cable.verdicts;
    for (const SeenProcess& holder : cable.holders)
        verdicts.push_back("Порт занят: закройте программу " + holder.name + " (PID " +
                           std::to_string(holder.pid) + ")");
    const int error = cable.access.openError;
    if (error == EACCES || error == EPERM) {
        verdicts.push_back("Нет прав на " + cable.node +
                           ": установите пакет gsmprog или "
                           "вступите в группу " +
                           GroupToJoin(cable.access) + " (sudo usermod -aG " +
                           GroupToJoin(cable.access) + " $USER, затем войдите в систему заново)");
    } else if (error == EBUSY && cable.holders.empty()) {
        verdicts.push_back(
            "Порт занят программой, которую этот пользователь не видит: её "
            "назовёт sudo fuser -v " +
            cable.node);
    } else if (error != 0 && error != EBUSY) {
        verdicts.push_back("Порт " + cable.node + " не открывается: " + SystemError(error));
    }
    if (!cable.usb) return;
    if (cable.serial.empty())
        verdicts.push_back(
            "У кабеля нет серийного номера, а gsmprog различает кабели по нему: "
            "укажите порт сами (gsmprog-cli --port " +
            cable.node + ")");
    if (!services.gsmprogRules.empty() && cable.latencyTimerMs.value_or(1) > 1)
        verdicts.push_back("Задержка кабеля " + std::to_string(*cable.latencyTimerMs) +
                           " мс вместо 1: правило udev пакета gsmprog для него не сработало; "
                           "переподключите кабель");
    if (!services.modemManager.empty() && !cable.modemManagerIgnores.value_or(false))
        verdicts.push_back(
            "ModemManager может занять порт: установите пакет gsmprog (его "
            "правило велит ModemManager не трогать кабели FTDI) или остановите "
            "его (sudo systemctl stop ModemManager)");
}

}  // namespace

bool LeftByItsDriver(const FtdiUsbDevice& device) {
    return AnyDriver(device, "usbfs") || NoDriver(device);
}

bool HeldByBrltty(const FtdiUsbDevice& device, const std::vector<SeenProcess>& usbfsHolders,
                  const SystemServices& services) {
    if (!LeftByItsDriver(device)) return false;
    if (AnyNamed(usbfsHolders, "brltty")) return true;
    if (services.brltty.empty() || !BrlttyRuleMatches(services, device.vendorId, device.productId))
        return false;
    if (AnyDriver(device, "usbfs")) return usbfsHolders.empty();
    return NoDriver(device);
}

void JudgeCable(CheckedCable& cable, const SystemServices& services) {
    if (cable.usb && cable.node.empty()) {
        if (std::string verdict = AdapterVerdict(cable); !verdict.empty())
            cable.verdicts.push_back(std::move(verdict));
        return;
    }
    JudgePort(cable, services);
    cable.usable = !cable.node.empty() && cable.access.openError == 0 && cable.holders.empty() &&
                   !cable.serial.empty();
}

std::string CableRemedy(const CableCheck& check, const std::string& serial) {
    const auto first = [](const CheckedCable& cable) {
        return cable.usable || cable.verdicts.empty() ? std::string() : cable.verdicts.front();
    };
    // The cable the operation used first: another one's trouble is not what stopped it.
    for (const CheckedCable& cable : check.cables)
        if (!serial.empty() && cable.serial == serial) return first(cable);
    for (const CheckedCable& cable : check.cables)
        if (std::string verdict = first(cable); !verdict.empty()) return verdict;
    return check.verdicts.empty() ? std::string() : check.verdicts.front();
}

void JudgeSystem(CableCheck& check) {
    const bool anyAdapter =
        std::any_of(check.cables.begin(), check.cables.end(),
                    [](const CheckedCable& cable) { return cable.usb.has_value(); });
    if (!check.virtualDistrust.empty())
        check.verdicts.push_back(DistrustText(check.cableDirectory, check.virtualDistrust));
    for (const RefusedCable& cable : check.refusedVirtual)
        check.verdicts.push_back(RefusalText(check.cableDirectory, cable));
    if (check.cables.empty())
        check.verdicts.push_back(
            "Кабель FTDI не найден: подключите кабель к порту USB (для "
            "пробы без кабеля запустите gsmprog-vmodem)");
    if (check.services.gsmprogRules.empty() && (anyAdapter || check.cables.empty()))
        check.verdicts.push_back(
            "Правило udev пакета gsmprog не установлено: установите пакет "
            "gsmprog (или скопируйте его 70-gsmprog-ftdi.rules в "
            "/etc/udev/rules.d/) и переподключите кабель");
}

}  // namespace gsmprog
