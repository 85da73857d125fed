#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {

QStringList readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    text.remove(QLatin1Char('\r'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// "[NAME]" gives NAME; anything else an empty string.
QString sectionName(const QString& line)
{
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char('[')) && t.endsWith(QLatin1Char(']')))
        return t.mid(1, t.size() - 2).trimmed();
    return {};
}

bool isKeyLine(const QString& line, const QString& key, QString* value)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0 || line.trimmed().startsWith(QLatin1Char(';')))
        return false;
    if (line.left(eq).trimmed().compare(key, Qt::CaseInsensitive) != 0)
        return false;
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return true;
}

}  // namespace

QString IniFile::read(const QString& path, const QString& section, const QString& key, const QString& defaultValue)
{
    bool inSection = false;
    for (const QString& line : readLines(path)) {
        const QString name = sectionName(line);
        if (!name.isEmpty()) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        QString value;
        if (inSection && isKeyLine(line, key, &value)) {
            // One pair of enclosing quotes is not part of the value.
            if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                value = value.mid(1, value.size() - 2);
            value.truncate(1023);
            return value.isEmpty() ? defaultValue : value;
        }
    }
    return defaultValue;
}

bool IniFile::write(const QString& path, const QString& section, const QString& key, const QString& value)
{
    QStringList lines = readLines(path);
    const QString entry = key + QLatin1Char('=') + value;
    qsizetype sectionStart = -1, sectionEnd = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString name = sectionName(lines[i]);
        if (!name.isEmpty()) {
            if (sectionStart >= 0)
                break;
            if (name.compare(section, Qt::CaseInsensitive) == 0)
                sectionStart = sectionEnd = i + 1;
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (isKeyLine(lines[i], key, nullptr)) {
            lines[i] = entry;
            sectionStart = -2;  // written in place
            break;
        }
        if (!lines[i].trimmed().isEmpty())
            sectionEnd = i + 1;
    }
    if (sectionStart == -1) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    } else if (sectionStart >= 0) {
        lines.insert(sectionEnd, entry);
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    return f.commit();
}
