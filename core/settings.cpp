#include "core/fieldreader.h"
#include "core/settings.h"

#include "platform/errors.h"
#include "core/globals.h"
#include "core/windowlinks.h"
#include "platform/savefile.h"
#include "library/recordfile.h"
#include "platform/appcontext.h"
#include "platform/prompt.h"

#include <QFile>
#include <QMetaMethod>
#include <QFileInfo>
#include <QLocale>
#include <cmath>
#include <optional>

// ---- field reader ----

FieldReader::FieldReader(const QString& path)
{
    QFile f(path);
    if (!f.exists())
        throw AppError(Err::FileNotFound, QStringLiteral("File not found"));
    if (!f.open(QIODevice::ReadOnly))
        throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
    m_text = RecordFile::DecodeText(f.readAll());
}

FieldReader FieldReader::fromText(const QString& text)
{
    FieldReader r;
    r.m_text = text;
    return r;
}

bool FieldReader::atEnd() const { return m_pos >= m_text.size(); }

QString FieldReader::next()
{
    if (atEnd())
        throw AppError(62, QStringLiteral("Input past end of file"));
    const qsizetype n = m_text.size();
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    auto isEol = [](QChar c) { return c == u'\r' || c == u'\n'; };
    auto skipEol = [&] {
        if (m_pos < n && m_text[m_pos] == u'\r')
            ++m_pos;
        if (m_pos < n && m_text[m_pos] == u'\n')
            ++m_pos;
    };
    while (m_pos < n && isBlank(m_text[m_pos]))
        ++m_pos;
    QString value;
    if (m_pos < n && m_text[m_pos] == u'"') {
        const qsizetype close = m_text.indexOf(u'"', m_pos + 1);
        const qsizetype end = close < 0 ? n : close;
        value = m_text.mid(m_pos + 1, end - m_pos - 1);
        m_pos = close < 0 ? n : close + 1;
        // Anything between the closing quote and the delimiter is passed over.
        while (m_pos < n && m_text[m_pos] != u',' && !isEol(m_text[m_pos]))
            ++m_pos;
    } else {
        const qsizetype start = m_pos;
        while (m_pos < n && m_text[m_pos] != u',' && !isEol(m_text[m_pos]))
            ++m_pos;
        value = m_text.mid(start, m_pos - start);
        while (!value.isEmpty() && isBlank(value.back()))
            value.chop(1);
    }
    if (m_pos < n && m_text[m_pos] == u',')
        ++m_pos;
    else
        skipEol();
    return value;
}

QString FieldReader::setting(const QString& value)
{
    // Blanks are spaces here, as in the files' original reader.
    qsizetype a = 0, b = value.size();
    while (a < b && value[a] == u' ')
        ++a;
    while (b > a && value[b - 1] == u' ')
        --b;
    const QString trimmed = value.mid(a, b - a);
    const qsizetype l = trimmed.size();
    const qsizetype p = trimmed.indexOf(u'=') + 1; // 0 when there is none
    return value.right(l - p);
}

long ToWholeNumber(const QString& text, long min, long max)
{
    const QString t = text.trimmed();
    bool ok = false;
    const double d = QLocale::c().toDouble(t, &ok);
    if (t.isEmpty() || !ok || !std::isfinite(d))
        throw AppError(Err::TypeMismatch, QStringLiteral("Type mismatch"));
    const double r = std::nearbyint(d); // half to even
    if (r < static_cast<double>(min) || r > static_cast<double>(max))
        throw AppError(Err::Overflow, QStringLiteral("Overflow"));
    return static_cast<long>(r);
}

// ---- the three readers ----

namespace {
const QString kModule = QStringLiteral("modMP3");

// A step that logs every error but the numbers in pass.
void step(const QString& procedure, std::initializer_list<int> pass, const std::function<void()>& f)
{
    try {
        f();
    } catch (const AppError& e) {
        for (int n : pass)
            if (e.number == n)
                return;
        LogError(kModule, procedure, e.number, e.description, e.source);
    } catch (const std::exception& e) {
        LogError(kModule, procedure, Err::InvalidCall, QString::fromLocal8Bit(e.what()), kAppTitle);
    }
}

QString nextSetting(std::optional<FieldReader>& r)
{
    if (!r) // the file did not open
        throw AppError(Err::BadFileName, QStringLiteral("Bad file name or number"));
    return FieldReader::setting(r->next());
}
} // namespace

namespace {
QString& lastFolderSetting()
{
    static QString text;
    return text;
}
} // namespace

SettingsRead& SettingsRead::instance()
{
    static SettingsRead events;
    return events;
}

void SettingsRead::noteCddbRead()
{
    m_cddbRead = !isSignalConnected(QMetaMethod::fromSignal(&SettingsRead::cddb));
}

QString MusicFolderSettingText()
{
    return lastFolderSetting();
}

void GetMWFolders()
{
    const QString proc = QStringLiteral("GetMWFolders");
    const QString path = Ctx().programFile(QStringLiteral("MWFolders.ini"));
    const std::initializer_list<int> silent = {Err::BadFileName, Err::FileNotFound};
    std::optional<FieldReader> reader;
    QString folder;
    step(proc, silent, [&] { reader.emplace(path); });
    step(proc, silent, [&] { folder = nextSetting(reader); });
    reader.reset();

    if (folder.isEmpty())
        folder = DefaultMusicFolder;

    if (!QFileInfo::exists(folder)) {
        step(proc, silent, [&] {
            MsgBox(QStringLiteral("Music Folder not found. It may have been deleted or moved,\n"
                                  "or on a removable disk or CD-ROM.\n\nSetting Music Folder to ") +
                       DefaultMusicFolder,
                   Mb::OKOnly | Mb::Exclamation, kAppTitle);
        });
        folder = DefaultMusicFolder;
        step(proc, silent, [&] {
            SaveWholeFile(path, (QStringLiteral("MFolder=") + folder + QStringLiteral("\r\n")).toUtf8());
        });
    }

    lastFolderSetting() = folder;
    step(proc, silent, [&] { emit SettingsRead::instance().musicFolder(folder); });
    MusicFolder = folder.endsWith(u'/') ? folder : folder + u'/';
}

int16_t funGetCDDBINI(const int16_t& mode)
{
    const QString proc = QStringLiteral("funGetCDDBINI");
    const QString path = Ctx().programFile(QStringLiteral("cddb.ini"));
    // A fresh install has no "cddb.ini": that is no error, the values are just empty.
    if (!QFileInfo::exists(path)) {
        CDDBEmail.clear();
        CDDBServer.clear();
    } else {
        std::optional<FieldReader> reader;
        step(proc, {}, [&] { reader.emplace(path); });
        step(proc, {}, [&] {
            CDDBEmail.clear();
            CDDBEmail = nextSetting(reader);
        });
        step(proc, {}, [&] {
            CDDBServer.clear();
            CDDBServer = nextSetting(reader);
        });
        // Ports are 0..65535; a bad value keeps the previous port.
        step(proc, {}, [&] { CDDBPort = static_cast<int32_t>(ToWholeNumber(nextSetting(reader), 0, 65535)); });
    }

    SettingsRead::instance().noteCddbRead();
    step(proc, {}, [&] { emit SettingsRead::instance().cddb(); });

    int16_t result = 0;
    if (CDDBEmail.isEmpty() && mode == 1) {
        result = 1;
        step(proc, {}, [&] {
            const int answer =
                MsgBox(QStringLiteral("You need to enter EMail information into the Configure window to access CDDB"),
                       Mb::OKCancel | Mb::NoIcon, kAppTitle);
            if (answer != Mb::OK)
                return;
            runLink(Links().showSettings, 3);
        });
    }
    return result;
}

int16_t getdriveletterno()
{
    const QString proc = QStringLiteral("getdriveletterno");
    const QString path = Ctx().programFile(QStringLiteral("cdrip.ini"));
    // No drive chosen yet (fresh install): the first drive, without an error box.
    if (!QFileInfo::exists(path))
        return 0;
    long n = 0;
    step(proc, {}, [&] {
        std::optional<FieldReader> reader(std::in_place, path);
        n = ToWholeNumber(nextSetting(reader), -32768, 32767) - 1;
    });
    return static_cast<int16_t>(n < 0 ? 0 : n);
}
