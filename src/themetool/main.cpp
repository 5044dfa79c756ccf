// quorvia-theme: makes a theme for the game out of ordinary pictures.

#include "themes/ThemeMaker.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPalette>

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

using namespace quorvia;
using namespace quorvia::themes;

namespace {

std::atomic<bool> stopRequested = false;
volatile sig_atomic_t stopSignal = 0;

void onStopSignal(int signal) {
    stopSignal = signal;
    stopRequested = true;
}

const char kHelp[] =
    "Aufruf: quorvia-theme [OPTION]... NAME BILD-ODER-ORDNER...\n"
    "Macht aus Bildern (JPEG, PNG, WebP, BMP, GIF, SVG) ein Kartenthema für Quorvia.\n"
    "Jedes Bild wird eine Karte; Ordner werden mit allen Unterordnern gelesen.\n"
    "\n"
    "  NAME               Ordner des Themas unter icons/; natur/tiere oder natur\\tiere\n"
    "                     ergeben ein verschachteltes Thema\n"
    "      --fit          ganzes Bild zeigen, Ränder in der Farbe des Spielfelds\n"
    "                     (ohne: quadratischer Ausschnitt um die Mitte)\n"
    "      --cover BILD   auch einen eigenen Kartenrücken (@.icn) aus BILD machen\n"
    "      --replace      ein vorhandenes Thema gleichen Namens ersetzen\n"
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
    ThemeRequest request;
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

    // Pictures need no screen; SVG pictures and the letterbox colour need a GUI application.
    // Its notes about the desktop (no runtime folder and the like) are not the player's concern.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type >= QtCriticalMsg) std::fprintf(stderr, "quorvia-theme: %s\n", qPrintable(text));
    });
    QGuiApplication app(argc, argv);

    request.name = QString::fromLocal8Bit(positional[0]);
    request.inputs.assign(positional.begin() + 1, positional.end());
    request.letterbox = QGuiApplication::palette().color(QPalette::Button);
    const Locations where =
        decideLocations(diskFileSystem(), executablePath(), QUORVIA_INSTALLED_DATA, Environment::ofThisProcess());
    request.themesFolder = themesFolderFor(where);

    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);

    const bool terminal = ::isatty(STDERR_FILENO);
    QElapsedTimer clock;
    clock.start();
    const ThemeReport report = makeTheme(
        request,
        [&](int done, int total) {
            if (terminal) drawProgress(done, total, clock.elapsed() / 1000.0);
        },
        &stopRequested);
    if (terminal) std::fputs("\n", stderr);

    if (report.cancelled) {
        std::signal(stopSignal, SIG_DFL);
        std::raise(stopSignal);
        return 1;
    }
    for (const QString& line : report.skipped) std::fprintf(stderr, "übersprungen: %s\n", qPrintable(line));
    if (!report.error.isEmpty()) {
        std::fprintf(stderr, "quorvia-theme: %s\n", qPrintable(report.error));
        return 1;
    }
    const double seconds = clock.elapsed() / 1000.0;
    const int pictures = report.made + int(report.skipped.size());
    if (!terminal) {
        std::printf("%d Bilder in %.1f s (%.1f Bilder/s)\n", pictures, seconds, seconds > 0 ? pictures / seconds : 0.0);
    }
    // The count comes last, where a script reading the output finds it.
    std::printf("%s\n", qPrintable(boardSizeLine(report.made)));
    std::printf("%d Kartenbilder gemacht, übersprungen: %d, Thema: %s\n", report.made, int(report.skipped.size()),
                report.folder.c_str());
    return 0;
}
