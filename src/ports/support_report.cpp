#include "ports/support_report.h"

#include <ctime>
#include <fstream>
#include <system_error>

#include "ports/cable_check_text.h"
#include "ports/system_files.h"

namespace gsmprog {

namespace fs = std::filesystem;

namespace {

constexpr const char* PackageName = "gsmprog";
constexpr const char* CutNote = "… отчёт обрезан: он длиннее 1 МБ\n";

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local);
    return text;
}

// PRETTY_NAME="Debian GNU/Linux 12 (bookworm)" of os-release, as the system names itself.
std::string OsRelease(const fs::path& root) {
    for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(BelowRoot(root, file));
        for (std::string line; std::getline(in, line);) {
            if (!line.starts_with("PRETTY_NAME=")) continue;
            std::string name = line.substr(12);
            if (name.size() >= 2 && (name.front() == '"' || name.front() == '\''))
                name = name.substr(1, name.size() - 2);
            return name;
        }
    }
    return "неизвестна (нет os-release)";
}

// The package's Status and Version lines in dpkg's database.
std::string PackageState(const fs::path& root) {
    std::ifstream in(BelowRoot(root, "/var/lib/dpkg/status"));
    bool ours = false;
    std::string state;
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) {
            if (ours) break;
            continue;
        }
        if (line.starts_with("Package: ")) ours = line.substr(9) == PackageName;
        else if (ours && (line.starts_with("Status: ") || line.starts_with("Version: ")))
            state += "  " + line + "\n";
    }
    return state;
}

// Every file dpkg installed for the package, present or missing; folders are left out.
std::string PackageFiles(const fs::path& root) {
    const std::string list = std::string("/var/lib/dpkg/info/") + PackageName + ".list";
    std::ifstream in(BelowRoot(root, list));
    if (!in) return "Пакет gsmprog не установлен (нет " + list + ").\n";
    std::string text = PackageState(root);
    for (std::string file; std::getline(in, file);) {
        if (file.empty() || file.front() != '/') continue;
        std::error_code error;
        const fs::file_status status = fs::symlink_status(BelowRoot(root, file), error);
        if (fs::is_directory(status)) continue;
        text += (fs::exists(status) ? "  есть " : "  НЕТ  ") + file + "\n";
    }
    return text;
}

void AppendPart(std::string& report, const char* heading, const std::string& body) {
    report += "\n== ";
    report += heading;
    report += " ==\n";
    report += body;
}

// Cut at a line end so that the whole stays under the limit with the note that says so.
void Bound(std::string& report) {
    const std::size_t room = SupportReportLimit - std::char_traits<char>::length(CutNote);
    if (report.size() < SupportReportLimit) return;
    const std::size_t lineEnd = report.rfind('\n', room - 1);
    report.resize(lineEnd == std::string::npos ? 0 : lineEnd + 1);
    report += CutNote;
}

}  // namespace

std::string SupportReportText(const SupportReportInput& input) {
    std::string report = "Отчёт gsmprog для поддержки\nСоставлен " + Now() + " программой " +
                         input.program + ".\n" + input.logNote + "\n";
    AppendPart(report, "Программа и система",
               input.program + "\nОС: " + OsRelease(input.places.root) + "\nЯдро: " +
                   FirstLine(BelowRoot(input.places.root, "/proc/version")) + "\n");
    AppendPart(report, "Проверка кабеля", CableCheckText(CheckCables(input.places)));
    AppendPart(report, "Файлы пакета gsmprog", PackageFiles(input.places.root));
    Bound(report);
    return report;
}

}  // namespace gsmprog
