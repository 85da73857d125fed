// tidewriter-hasim: a Hyper Aqualand communication unit on a pseudo-terminal, so a
// transfer can be tried without the device. Prints the line's path and serves until killed.
#include "PtySimulator.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cmath>
#include <cstdio>

namespace {
const char* kHelp = R"(Usage: tidewriter-hasim [--silent|--extra-byte|--stop-after K|--corrupt|--gaps|--no-terminator] [DIVEFILE]

Serves one logged dive like a Hyper Aqualand in its communication unit, on a
pseudo-terminal. The path of the line is printed on start. Set it as the serial
port of Tidewriter with PORT_NAME=<path> in the [OPTION] section of its settings
file (~/.config/tidewriter/tidewriter.ini) while Tidewriter is closed: the options
dialog lists only the serial devices present, and a pseudo-terminal is not one of
them. Then run ツール > ハイパーアクアランド転送. Stop with Ctrl+C.

Faults:
  --silent         never answers
  --extra-byte     answers 33 bytes instead of a 32-byte block
  --stop-after K   answers K blocks (the header counts), then nothing
  --corrupt        one digit of the profile becomes 0xA
  --gaps           every third depth sample becomes 99.9 (no data)
  --no-terminator  the profile has no 0xEF/0xFF end marks

DIVEFILE: one key=value per line, '#' starts a comment:
  date=2024-07-15
  in=09:05
  out=09:50
  depths=0 5.2 12.5 11.8 9 6.5 4 3      metres, one decimal
  temps=24.1 23.5 22.8 22.9             degrees Celsius, one decimal
  max=12.5                              maximum depth, average depth and
  avg=8.3                               temperature at depth: optional; left
  depthtemp=20.5                        out they are sent as 99.9 (no data),
                                        so the program works them out
Without DIVEFILE a built-in sample dive is served.
)";

struct Dive {
    QDate date{2024, 7, 15};
    QTime in{9, 5}, out{9, 50};
    QList<int> depths{0, 52, 125, 118, 104, 96, 90, 81, 65, 52, 50, 48, 40, 30, 12};
    QList<int> temps{241, 235, 228, 226, 225, 227, 229, 233};
    int max = 999, avg = 999, depthTemp = 999;
};

int tenths(const QString& s, bool* ok)
{
    const double v = s.toDouble(ok);
    return int(std::lround(v * 10));
}

bool parseList(const QString& value, QList<int>& out)
{
    out.clear();
    for (const QString& part : value.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int t = tenths(part, &ok);
        if (!ok || t < 0 || t > 999)
            return false;
        out << t;
    }
    return !out.isEmpty();
}

bool readDive(const QString& path, Dive& dive, QString* why)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *why = f.errorString();
        return false;
    }
    int lineNo = 0;
    QTextStream in(&f);
    while (!in.atEnd()) {
        ++lineNo;
        const QString line = in.readLine().section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed().toLower();
        const QString value = line.section(QLatin1Char('='), 1).trimmed();
        bool ok = true;
        if (key == QLatin1String("date")) {
            dive.date = QDate::fromString(value, Qt::ISODate);
            ok = dive.date.isValid();
        } else if (key == QLatin1String("in") || key == QLatin1String("out")) {
            const QTime t = QTime::fromString(value, QStringLiteral("H:mm"));
            ok = t.isValid();
            (key == QLatin1String("in") ? dive.in : dive.out) = t;
        } else if (key == QLatin1String("depths")) {
            ok = parseList(value, dive.depths);
        } else if (key == QLatin1String("temps")) {
            ok = parseList(value, dive.temps);
        } else if (key == QLatin1String("max") || key == QLatin1String("avg") || key == QLatin1String("depthtemp")) {
            const int t = tenths(value, &ok);
            ok = ok && t >= 0 && t <= 999;
            (key == QLatin1String("max") ? dive.max : key == QLatin1String("avg") ? dive.avg : dive.depthTemp) = t;
        } else {
            ok = false;
        }
        if (!ok) {
            *why = QStringLiteral("line %1: cannot read \"%2\"").arg(lineNo).arg(line);
            return false;
        }
    }
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    HAUnitSimulator::Faults faults;
    bool corrupt = false, gaps = false, noTerminator = false;
    QString diveFile;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == QLatin1String("--silent")) {
            faults.silent = true;
        } else if (a == QLatin1String("--extra-byte")) {
            faults.extraByte = true;
        } else if (a == QLatin1String("--stop-after") && i + 1 < args.size()) {
            bool ok = false;
            faults.stopAfter = args[++i].toInt(&ok);
            if (!ok || faults.stopAfter < 0) {
                std::fputs("tidewriter-hasim: --stop-after needs a number of blocks\n", stderr);
                return 2;
            }
        } else if (a == QLatin1String("--corrupt")) {
            corrupt = true;
        } else if (a == QLatin1String("--gaps")) {
            gaps = true;
        } else if (a == QLatin1String("--no-terminator")) {
            noTerminator = true;
        } else if (!a.startsWith(QLatin1Char('-')) && diveFile.isEmpty()) {
            diveFile = a;
        } else {
            std::fprintf(stderr, "tidewriter-hasim: unknown argument %s (see --help)\n", qPrintable(a));
            return 2;
        }
    }

    Dive dive;
    QString why;
    if (!diveFile.isEmpty() && !readDive(diveFile, dive, &why)) {
        std::fprintf(stderr, "tidewriter-hasim: %s: %s\n", qPrintable(diveFile), qPrintable(why));
        return 1;
    }
    if (gaps)
        dive.depths = PtySimulator::withGaps(dive.depths);
    QList<QByteArray> blocks = HAUnitSimulator::blocksFor(dive.date, dive.in, dive.out, dive.max, dive.depthTemp,
                                                          dive.avg, dive.depths, dive.temps);
    if (blocks.size() > 256) {
        std::fputs("tidewriter-hasim: the dive is too long for one transfer (255 blocks at most)\n", stderr);
        return 1;
    }
    if (corrupt)
        blocks = PtySimulator::withCorruptNibble(blocks);
    if (noTerminator)
        blocks = PtySimulator::withoutTerminators(blocks);

    PtySimulator sim(blocks, faults);
    if (!sim.isValid()) {
        std::fprintf(stderr, "tidewriter-hasim: no pseudo-terminal: %s\n", qPrintable(sim.error()));
        return 1;
    }
    QObject::connect(&sim, &PtySimulator::conversationStarted, [] {
        std::fputs("transfer started\n", stdout);
        std::fflush(stdout);
    });
    std::printf("%s\n", qPrintable(sim.device()));
    std::printf("serving a dive of %lld profile blocks; stop with Ctrl+C\n", static_cast<long long>(blocks.size() - 1));
    std::fflush(stdout);
    return app.exec();
}
