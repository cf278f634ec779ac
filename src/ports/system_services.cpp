// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/system_services.h"

#include <sys/stat.h>

#include <fstream>
#include <set>
#include <utility>

#include "ports/system_files.h"
#include "ports/usb_sysfs.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

// Where udev takes rules from; a file of one name in an earlier folder hides the later ones.
const char* const RuleFolders[] = {"/etc/udev/rules.d", "/run/udev/rules.d",
                                   "/usr/local/lib/udev/rules.d", "/usr/lib/udev/rules.d",
                                   "/lib/udev/rules.d"};
const char* const BrlttyPrograms[] = {"/usr/bin/brltty", "/usr/sbin/brltty", "/bin/brltty"};
constexpr const char* BrlttyRuleName = "85-brltty.rules";

// The files found so far, by device and inode: with /lib a link to /usr/lib (and /bin to
// /usr/bin), as on every merged system, one file shows up under two names and is named once.
class FoundFiles {
public:
    explicit FoundFiles(fs::path root) : root_(std::move(root)) {}
    // Whether `absolute` exists below the root and is no file found before.
    bool New(const std::string& absolute) {
        struct stat info {};
        if (::stat(BelowRoot(root_, absolute).c_str(), &info) != 0) return false;
        return seen_.insert({info.st_dev, info.st_ino}).second;
    }

private:
    fs::path root_;
    std::set<std::pair<dev_t, ino_t>> seen_;
};

// The lines of brltty's rule that match devices by ENV{PRODUCT}=="403/6001/*": their product
// parts. Comments name devices too, and do nothing.
std::vector<std::string> RuleProducts(const fs::path& rule) {
    std::vector<std::string> products;
    std::ifstream in(rule);
    const std::string key = "ENV{PRODUCT}==\"";
    for (std::string line; std::getline(in, line);) {
        const std::size_t text = line.find_first_not_of(" \t");
        if (text == std::string::npos || line[text] == '#') continue;
        const std::size_t at = line.find(key);
        if (at == std::string::npos) continue;
        const std::size_t start = at + key.size();
        const std::size_t end = line.find('"', start);
        if (end != std::string::npos) products.push_back(line.substr(start, end - start));
    }
    return products;
}

}  // namespace

SystemServices ReadSystemServices(const fs::path& root, const ProcessTable& processes) {
    SystemServices services;
    services.modemManager = processes.Named("ModemManager");
    services.brltty = processes.Named("brltty");
    FoundFiles found(root);
    for (const char* program : BrlttyPrograms)
        if (found.New(program)) services.brlttyFiles.push_back(program);
    for (const char* folder : RuleFolders) {
        const std::string brltty = std::string(folder) + "/" + BrlttyRuleName;
        if (found.New(brltty)) {
            services.brlttyFiles.push_back(brltty);
            if (services.brlttyRuleFile.empty()) {
                services.brlttyRuleFile = brltty;
                services.brlttyProducts = RuleProducts(BelowRoot(root, brltty));
            }
        }
        const std::string gsmprog = std::string(folder) + "/" + GsmprogRuleName;
        if (found.New(gsmprog)) services.gsmprogRules.push_back(gsmprog);
    }
    return services;
}

bool BrlttyRuleMatches(const SystemServices& services, const std::string& vendorId,
                       const std::string& productId) {
    // udev's PRODUCT is "vendor/product/release" in lower-case hex without leading zeros.
    const std::string device = RuleHex(vendorId) + "/" + RuleHex(productId) + "/";
    for (const std::string& product : services.brlttyProducts)
        if (product.starts_with(device)) return true;
    return false;
}

std::optional<bool> MarkedForModemManagerToIgnore(const fs::path& root,
                                                  const std::string& numbers) {
    if (numbers.empty()) return std::nullopt;
    std::ifstream in(BelowRoot(root, "/run/udev/data/c" + numbers));
    if (!in) return std::nullopt;
    for (std::string line; std::getline(in, line);)
        if (line == "E:ID_MM_DEVICE_IGNORE=1") return true;
    return false;
}

}  // namespace gsmprog
