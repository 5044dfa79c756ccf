// quorvia-theme: makes a theme for the game out of ordinary pictures.

#include "app/Text.h"
#include "themetool/ThemeMaker.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPalette>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>

using namespace quorvia;
using namespace quorvia::themes;

namespace {

std::atomic<bool> stopRequested = false;
volatile sig_atomic_t stopSignal;  // set before stopRequested, which guards every use

void onStopSignal(int signal) {
    stopSignal = signal;
    stopRequested = true;
}

const char kHelp[] =
    "Aufruf: quorvia-theme [OPTION]... NAME BILD-ODER-ORDNER...\n"
    "Macht aus Bildern (JPEG, PNG, WebP, BMP, GIF, SVG, HEIC, AVIF) ein Kartenthema\n"
    "für Quorvia. Jedes Bild wird eine Karte; Ordner werden mit allen Unterordnern\n"
    "gelesen, Videos und andere Dateien darin übergangen. Bilder, die auf einer Karte\n"
    "gleich aussähen, werden nur einmal eine Karte.\n"
    "\n"
    "  NAME               Ordner des Themas unter icons/; natur/tiere oder natur\\tiere\n"
    "                     ergeben ein verschachteltes Thema\n"
    "      --fit          ganzes Bild zeigen, Ränder in der Farbe des Spielfelds\n"
    "                     (ohne: quadratischer Ausschnitt um die Mitte)\n"
    "      --cover BILD   auch einen eigenen Kartenrücken (@.icn) aus BILD machen\n"
    "      --replace      ein vorhandenes Thema gleichen Namens ersetzen\n"
    "      --alle         aus allen Bildern eine Karte machen\n"
    "      --auswahl N    nur aus N Bildern, gleichmäßig über die Aufnahmezeit verteilt\n"
    "                     (bei mehr als 500 Bildern ist eins von beiden nötig)\n"
    "      --help         diese Hilfe anzeigen und beenden\n"
    "      --version      Versionsangabe anzeigen und beenden\n"
    "\n"
    "Das Thema kommt zu den Themen des Spiels: bei einer Installation in\n"
    "~/.local/share/quorvia/icons/, sonst in icons/ neben dem Programm.\n"
    "Beendigungsstatus: 0, wenn mindestens ein Kartenbild entstand, 1 sonst,\n"
    "2 bei falschem Aufruf.\n";

int usage(const char* message) {
    std::fprintf(stderr, "quorvia-theme: %s\n„quorvia-theme --help“ gibt weitere Informationen.\n", message);
    return 2;
}

// A bar of the pictures done, with the pictures per second and the time left, redrawn in place.
void drawProgress(int done, int total, double seconds) {
    const int width = 30;
    const int filled = total > 0 ? done * width / total : width;
    std::fprintf(stderr, "\r[%s%s] %s ", std::string(size_t(filled), '#').c_str(),
                 std::string(size_t(width - filled), '-').c_str(), qPrintable(progressText(done, total, seconds)));
}

}  // namespace

int main(int argc, char* argv[]) {
    returnPicturesToTheSystem();
    ThemeRequest request;
    bool all = false;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (arg == "--version") {
            std::puts("quorvia-theme " QUORVIA_VERSION);
            return 0;
        } else if (arg == "--fit") {
            request.fit = true;
        } else if (arg == "--replace") {
            request.replace = true;
        } else if (arg == "--alle") {
            all = true;
        } else if (arg == "--auswahl") {
            char* end = nullptr;
            if (++i == argc || (request.selection = int(std::strtol(argv[i], &end, 10))) < 1 || *end != '\0') {
                return usage("--auswahl braucht eine Anzahl von Bildern");
            }
        } else if (arg == "--cover") {
            if (++i == argc) return usage("--cover braucht ein Bild");
            request.cover = argv[i];
        } else if (arg == "--") {
            for (++i; i < argc; ++i) positional.emplace_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage(("unbekannte Option " + arg).c_str());
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 2) return usage("NAME und mindestens ein Bild oder Ordner fehlen");

    // Pictures need no screen, so the tool never asks for one, whatever display the
    // environment names; SVG pictures and the letterbox colour need a GUI application. Its
    // notes about the desktop (no runtime folder and the like) are not the player's concern.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type >= QtCriticalMsg) std::fprintf(stderr, "quorvia-theme: %s\n", qPrintable(text));
    });
    QGuiApplication app(argc, argv);

    // Read as the face names are: UTF-8, else Windows-1252.
    request.name = QString::fromStdString(repairUtf8(positional[0]));
    request.inputs.assign(positional.begin() + 1, positional.end());
    request.letterbox = QGuiApplication::palette().color(QPalette::Button);
    const Locations where =
        decideLocations(diskFileSystem(), executablePath(), QUORVIA_INSTALLED_DATA, Environment::ofThisProcess());
    request.themesFolder = themesFolderFor(where);
    std::mutex workMutex;
    std::filesystem::path workFolder;
    request.started = [&](const std::filesystem::path& folder) {
        const std::lock_guard lock(workMutex);
        workFolder = folder;
    };

    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);

    // What the theme will cost, said before the work starts; a large folder waits for the
    // player's choice of all or a selection.
    request.found = walkPictures(request.inputs, &stopRequested);
    const int found = int(request.found->pictures.size());
    const int faces = request.selection > 0 ? std::min(found, request.selection) : found;
    if (found > 0) std::fprintf(stderr, "%s\n", qPrintable(costLine(found, faces)));
    if (found > kLargeFolder && !all && request.selection == 0) {
        return usage(qPrintable(QStringLiteral("mehr als %1 Bilder: --alle (%2) oder --auswahl N wählen, "
                                               "z. B. --auswahl 243 (%3) für das größte Spielfeld")
                                    .arg(kLargeFolder)
                                    .arg(sizeText(found), sizeText(243))));
    }

    const bool terminal = ::isatty(STDERR_FILENO);
    QElapsedTimer clock;
    clock.start();
    std::future<ThemeReport> run = std::async(std::launch::async, [&] {
        return makeTheme(
            request,
            [&](int done, int total) {
                if (terminal) drawProgress(done, total, clock.elapsed() / 1000.0);
            },
            &stopRequested);
    });
    // This thread only watches, so that a stop takes effect within a second even while a
    // picture is still in its decoder: the run gets a moment to end by itself, then the work
    // folder is removed here and the program ends as the signal asks.
    for (int waited = 0; run.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready;) {
        if (stopRequested && (waited += 20) >= 500) {
            const std::lock_guard lock(workMutex);
            std::error_code ec;
            if (!workFolder.empty()) std::filesystem::remove_all(workFolder, ec);
            std::signal(stopSignal, SIG_DFL);
            std::raise(stopSignal);
            std::_Exit(1);
        }
    }
    const ThemeReport report = run.get();
    if (terminal) std::fputs("\n", stderr);

    if (report.cancelled) {
        std::signal(stopSignal, SIG_DFL);
        std::raise(stopSignal);
        return 1;
    }
    for (const QString& line : report.skipped) std::fprintf(stderr, "übersprungen: %s\n", qPrintable(line));
    for (const QString& line : report.passedOver) std::fprintf(stderr, "übergangen: %s\n", qPrintable(line));
    if (!report.coverError.isEmpty()) {
        std::fprintf(stderr, "kein Kartenrücken: %s\n", qPrintable(report.coverError));
    }
    if (!report.error.isEmpty()) {
        std::fprintf(stderr, "quorvia-theme: %s\n", qPrintable(report.error));
        return 1;
    }
    const double seconds = clock.elapsed() / 1000.0;
    const int pictures = report.pictures;
    if (!terminal) {
        std::printf("%s in %.1f s (%.1f Bilder/s)\n",
                    qPrintable(counted(pictures, QStringLiteral("Bild"), QStringLiteral("Bilder"))), seconds,
                    seconds > 0 ? pictures / seconds : 0.0);
    }
    for (const QString& line : report.merged) std::fprintf(stderr, "zusammengefasst: %s\n", qPrintable(line));
    if (!report.merged.isEmpty()) std::printf("%s\n", qPrintable(mergedLine(int(report.merged.size()))));
    if (report.others > 0) std::printf("%s\n", qPrintable(othersLine(report.others)));
    // The count comes last, where a script reading the output finds it.
    std::printf("%s\n", qPrintable(boardSizeLine(report.made)));
    std::printf("%s gemacht, übersprungen: %d, Thema: %s\n",
                qPrintable(counted(report.made, QStringLiteral("Kartenbild"), QStringLiteral("Kartenbilder"))),
                int(report.skipped.size()), report.folder.c_str());
    return 0;
}
