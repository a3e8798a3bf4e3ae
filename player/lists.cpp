// The play list's sources and commands: the recent list, the song browser of the music
// folder, the playlists found in it, and the Add All, Clear, Remove, OK and Search buttons.
#include <QDir>
#include <QHeaderView>
#include <QGuiApplication>
#include <QScreen>

#include "controls/mp3play.h"
#include "core/driveinfo.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "core/busylisting.h"
#include "core/mp3listing.h"
#include "core/mp3tags.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "player/frmplay.h"
#include "player/playerinternal.h"

using namespace playerinternal;

namespace {
const QString kRecentName = QStringLiteral("*%#Recent List#%*");

// The files of a folder (no hidden ones), in name order ignoring letter case.
QStringList folderFiles(const QString& folder)
{
    return FileNamesByName(folder);
}
} // namespace

// ---- recent list ----

void frmPlay::LoadRecentList()
{
    Trap trap(kModule, QStringLiteral("LoadRecentList"));
    trap([this] { ListView1->clear(); });
    trap([this] {
        if (!RecentList)
            return;
        const int n = RecentList->Count();
        for (int i = 1; i <= n; ++i) {
            const auto entry = RecentList->Item(i);
            if (!OrdinaryFileExists(MusicFolder, entry->MP3Title() + QStringLiteral(".mp3")))
                continue;
            appendSong(entry->MP3Title(), entry->artist(), entry->Length());
            ListView1->topLevelItem(ListView1->topLevelItemCount() - 1)
                ->setText(3, QString::number(ListView1->topLevelItemCount()));
        }
    });
    trap([this] { showTotal(); });
}

void frmPlay::SaveRecentList()
{
    Trap trap(kModule, QStringLiteral("SaveRecentList"));
    if (!RecentList)
        return;
    trap([] { RecentList->Clear(); });
    trap([this] {
        const int n = ListView1->topLevelItemCount();
        for (int i = 1; i <= n; ++i) {
            const ListItem* it = ListView1->topLevelItem(i - 1);
            // The stored item number is 16-bit: rows beyond its range keep the largest number.
            const auto number = static_cast<int16_t>(std::min(i, 32767));
            RecentList->Add(kRecentName, number, it->text(0), it->text(1), it->text(2), QString(), QString());
        }
    });
    trap([] { RecentList->SaveFile(); });
}

// ---- song browser and playlist picker ----

namespace {
void addOne(frmPlay& w, ListView* source, const QString& procedure)
{
    Trap trap(kModule, procedure);
    if (source->topLevelItemCount() == 0)
        return;
    QString title, artist, length;
    if (!trap([&] {
            const ListItem* it = selected(source);
            title = it->text(0);
            artist = it->text(1);
            length = it->text(2);
        }))
        return;
    if (w.Check2->isChecked())
        for (int k = 0; k < w.ListView1->topLevelItemCount(); ++k) {
            const ListItem* it = w.ListView1->topLevelItem(k);
            if (sameText(it->text(0), title) && sameText(it->text(1), artist))
                return;
        }
    auto* item = new RowItem({title, artist, length, QString()});
    w.ListView1->addTopLevelItem(item);
    trap([&] { w.ListView1->scrollToItem(item); });
    w.ListView5->addTopLevelItem(new ListItem({title, artist, length}));
    for (int k = 0; k < w.ListView1->topLevelItemCount(); ++k)
        w.ListView1->topLevelItem(k)->setText(3, QString::number(k + 1));
    trap([&] { w.Label2->setText(QStringLiteral("Total Play Time = ") + fncGetPlayTime(*w.ListView1)); });
}
} // namespace

void frmPlay::ListView2_Click() { addOne(*this, ListView2, QStringLiteral("ListView2_Click")); }
void frmPlay::ListView4_Click() { addOne(*this, ListView4, QStringLiteral("ListView4_Click")); }

void frmPlay::ListView2_DblClick()
{
    Trap trap(kModule, QStringLiteral("ListView2_DblClick"));
    if (ListView2->topLevelItemCount() == 0)
        return;
    QString t, a;
    if (!trap([&] {
            const ListItem* it = selected(ListView2);
            t = it->text(0);
            a = it->text(1);
        }))
        return;
    const int n = ListView2->topLevelItemCount();
    for (int r = 0; r < n; ++r) {
        const ListItem* it = ListView2->topLevelItem(r);
        if (!sameText(it->text(1), a) || sameText(it->text(0), t))
            continue;
        if (Check2->isChecked() && inPlayList(it->text(0), a))
            continue;
        appendSong(it->text(0), a, it->text(2));
        ListView5->addTopLevelItem(new ListItem({it->text(0), a, it->text(2)}));
    }
    renumber();
    trap([this] { showTotal(); });
}

void frmPlay::ListView2_ColumnClick(int column)
{
    Trap trap(kModule, QStringLiteral("ListView2_ColumnClick"));
    const int k = column - 1;
    if (k < 0 || k > 3)
        return;
    trap([&] {
        const Qt::SortOrder order = m_sortFlags[k] ? Qt::AscendingOrder : Qt::DescendingOrder;
        ListView2->header()->setSortIndicator(k, order);
        ListView2->setSortingEnabled(true);
        ListView2->sortItems(k, order);
    });
    m_sortFlags[k] = !m_sortFlags[k];
}

void frmPlay::ListView3_Click()
{
    Trap trap(kModule, QStringLiteral("ListView3_Click"));
    if (ListView3->topLevelItemCount() == 0)
        return;
    QString name;
    if (!trap([&] { name = selected(ListView3)->text(0); }))
        return;
    ListView4->clear();
    trap([&] {
        if (!Playlists)
            return;
        const int n = Playlists->Count();
        for (int j = 1; j <= n; ++j) {
            const auto e = Playlists->Item(j);
            if (sameText(e->PlaylistName(), name) &&
                OrdinaryFileExists(MusicFolder, e->MP3Title() + QStringLiteral(".mp3")))
                ListView4->addTopLevelItem(new RowItem({e->MP3Title(), e->artist(), e->Length()}));
        }
    });
}

void frmPlay::keepOnScreen()
{
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const int screenTw = s->geometry().width() * 15;
    const int leftTw = x() * 15;
    if (leftTw + m_wTw > screenTw)
        move(((screenTw - m_wTw) / 2) / 15, y());
}

void frmPlay::sscmdMP3_Click()
{
    Trap trap(kModule, QStringLiteral("sscmdMP3_Click"));
    trap([this] {
        for (QWidget* w : std::initializer_list<QWidget*>{Label25, ListView2, Text1, sscmdSearch, sscmdMP3AddAll,
                                                          Label9, Label10, Label32})
            w->show();
        for (QWidget* w : std::initializer_list<QWidget*>{ListView3, ListView4, sscmdAddAll})
            w->hide();
        Label8->setText(QStringLiteral("Title"));
        ListView2->clear();
    });
    QStringList files;
    trap([&] { files = folderFiles(MusicFolder); });
    const SongsByTitle known(SongLibrary.get());
    BusyListing busy(ListView2);
    // Catalogue songs are rows at once; the other songs' files are read on worker threads,
    // first to last, while their places wait in the row order (nullptr, a place of titles).
    // The rows go into the list at once when the listing ends: one insertion, not one per song.
    QList<ListItem*> rows;
    rows.reserve(files.size());
    QStringList unknown;
    for (const QString& name : files) {
        busy.tick();
        if (!name.contains(QLatin1String(".mp3"), Qt::CaseInsensitive))
            continue;
        const QString title = name.left(name.size() - 4);
        bool found = false;
        trap([&] {
            if (const clsMP3* rec = known.find(title)) {
                rows.append(new RowItem({rec->MP3Title(), rec->artist(), rec->Length()}));
                found = true;
            }
        });
        if (found)
            continue;
        unknown.append(title);
        rows.append(nullptr);
    }
    Mp3ListReader reader(unknown, [](const QString& title) { return SongFile(title); });
    FillFromFiles(rows, reader, busy, [](const QString& title, const Mp3ListFacts& facts) -> ListItem* {
        const Mp3ListEntry entry = Mp3ListEntryOf(facts);
        if (!entry.opened)
            return nullptr;
        return new RowItem({title, entry.artist, entry.seconds != 0 ? MinutesSeconds(entry.seconds) : QString()});
    });
    ListView2->addTopLevelItems(rows);
    trap([this] { setSizeTw(9300, m_hTw); });
    trap([this] { keepOnScreen(); });
}

void frmPlay::addAllSongs(const ListView* list, const QString& procedure)
{
    Trap trap(kModule, procedure);
    trap([this, list] {
        for (int r = 0; r < list->topLevelItemCount(); ++r) {
            const ListItem* it = list->topLevelItem(r);
            if (Check2->isChecked() && inPlayList(it->text(0), it->text(1)))
                continue;
            appendSong(it->text(0), it->text(1), it->text(2));
            ListView5->addTopLevelItem(new ListItem({it->text(0), it->text(1), it->text(2)}));
        }
    });
    trap([this] { renumber(); });
    trap([this] { showTotal(); });
}

void frmPlay::sscmdMP3AddAll_Click() { addAllSongs(ListView2, QStringLiteral("sscmdMP3AddAll_Click")); }

void frmPlay::sscmdPlayLists_Click()
{
    Trap trap(kModule, QStringLiteral("sscmdPlayLists_Click"));
    trap([this] {
        ListView2->hide();
        ListView3->show();
        ListView4->show();
        ListView3->clear();
        ListView4->clear();
        setSizeTw(9300, m_hTw);
        sscmdAddAll->show();
        sscmdSearch->hide();
        sscmdMP3AddAll->hide();
        Text1->hide();
        Label8->setText(QStringLiteral("Playlists In Music Folder (Click To Reveal Songs)"));
        Label9->hide();
        Label10->hide();
        Label32->hide();
    });
    // The drive is asked once: a refused drive shows its message once.
    QString type;
    trap([&] { type = CheckDriveType(MusicFolder); });
    const bool cdrom = type.toInt() == 3;
    if (cdrom)
        trap([this] {
            for (const QString& name : folderFiles(DefaultMusicFolder)) {
                if (!name.contains(QLatin1String(".cdr"), Qt::CaseInsensitive))
                    continue;
                const QString list = name.left(name.size() - 4);
                bool complete = true;
                if (Playlists)
                    for (int j = 1; j <= Playlists->Count(); ++j) {
                        const auto e = Playlists->Item(j);
                        if (sameText(e->PlaylistName(), list) &&
                            !OrdinaryFileExists(MusicFolder, e->MP3Title() + QStringLiteral(".mp3")))
                            complete = false;
                    }
                if (complete)
                    ListView3->addTopLevelItem(new RowItem({list}));
            }
        });
    if (!cdrom)
        trap([this] {
            for (const QString& name : folderFiles(MusicFolder)) {
                if (!name.contains(QLatin1String(".lst"), Qt::CaseInsensitive) || !Playlists)
                    continue;
                const QString marker = name.left(name.size() - 4);
                QString remembered;
                for (int j = 1; j <= Playlists->Count(); ++j) {
                    const QString pn = Playlists->Item(j)->PlaylistName();
                    if (sameText(pn, remembered))
                        continue;
                    remembered = pn;
                    if (sameText(marker, remembered) && remembered != kRecentName)
                        ListView3->addTopLevelItem(new RowItem({remembered}));
                }
            }
        });
    if (ListView3->topLevelItemCount() > 0) {
        trap([this] {
            if (selectedIndex(ListView3) == 0)
                selectRow(ListView3, 1);
        });
        ListView3_Click();
    }
    trap([this] { keepOnScreen(); });
}

// ---- play list commands ----

void frmPlay::sscmdAddAll_Click() { addAllSongs(ListView4, QStringLiteral("sscmdAddAll_Click")); }

void frmPlay::sscmdClear_Click()
{
    Trap trap(kModule, QStringLiteral("sscmdClear_Click"));
    trap([this] { Mp3Play1->Stop(); });
    trap([this] {
        ListView1->clear();
        ListView5->clear();
    });
    trap([this] {
        Text2->setText(QString());
        Text3->setText(QString());
    });
    trap([this] { Label2->setText(QStringLiteral("Total Play Time = 00:00")); });
}

void frmPlay::sscmdRemove_Click()
{
    // Every failure is skipped without a report.
    auto quietly = [](auto&& step) {
        try {
            step();
        } catch (const std::exception&) {
        }
    };
    int noted = 0;
    if (ListView1->topLevelItemCount() > 0) {
        removefromshuffle();
        quietly([&] {
            ListItem* sel = selected(ListView1);
            noted = ListView1->indexOfTopLevelItem(sel) + 1;
            delete ListView1->takeTopLevelItem(noted - 1);
            ListView1->clearSelection();
            ListView1->setCurrentItem(nullptr);
            ListView1->clearSelection();
        });
        renumber();
    }
    PlaySelectedNext = 1;
    quietly([this] { Mp3Play1->Stop(); });
    if (PlayerStarted != 1 || StoppedOnPurpose == 1)
        quietly([&] {
            selectRow(ListView1, noted);
            ListView1->scrollToItem(selected(ListView1));
            Text2->setText(selected(ListView1)->text(0));
        });
    if (ListView1->topLevelItemCount() == 0) {
        Text2->setText(QString());
        Text3->setText(QString());
    }
    quietly([this] { showTotal(); });
}

void frmPlay::sscmdDone_Click()
{
    Trap trap(kModule, QStringLiteral("sscmdDone_Click"));
    trap([this] { setSizeTw(4700, m_hTw); });
}

void frmPlay::sscmdSearch_Click()
{
    Trap trap(kModule, QStringLiteral("sscmdSearch_Click"));
    const QString text = Text1->text();
    const int n = ListView2->topLevelItemCount();
    if (text.isEmpty() || n == 0)
        return;
    const QString quoted = QLatin1Char('"') + text + QLatin1Char('"');
    int counter = 1;
    for (;;) {
        if (counter > n) {
            MsgBox(quoted + QStringLiteral(" not found."), Mb::OKOnly, kAppTitle);
            return;
        }
        ListItem* it = ListView2->topLevelItem(counter - 1);
        if (!it->text(0).contains(text, Qt::CaseInsensitive) && !it->text(1).contains(text, Qt::CaseInsensitive)) {
            ++counter;
            continue;
        }
        trap([&] {
            ListView2->scrollToItem(it);
            selectRow(ListView2, counter);
            ListView2->setFocus();
        });
        counter = counter + 1;
        if (MsgBox(quoted + QStringLiteral(" found. Search for Next Match?"), Mb::YesNo, kAppTitle) == Mb::No)
            return;
    }
}

void frmPlay::SSCommand1_Click() { OpenSettings(); }
