// Every window legible in every shipped skin: text and glyph contrast in the normal, hover and
// pressed looks, the disabled look, and screenshots of the player and the song library.
#include <QDir>
#include <QMouseEvent>
#include <QPointer>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalBlocker>

#include "lookmeasure.h"
#include "shell/frmabout.h"
#include "shell/frmoptions.h"
#include "shell/frmskindir.h"
#include "shell/featureform.h"
#include "shellfixture.h"

namespace {

constexpr double kTextContrast = 4.5;
constexpr double kGlyphContrast = 3.0;

enum class Look { Normal, Hover, Pressed };
const char* lookName(Look l) { return l == Look::Normal ? "normal" : l == Look::Hover ? "hover" : "pressed"; }

// Puts every picture button and 3-D button of a window in one look: hover is a borderless
// picture with a bold caption, pressed a sunken picture and a held-down button.
void setLook(QWidget* window, Look look)
{
    for (PictureBox* p : window->findChildren<PictureBox*>())
        p->setBorderStyle(look == Look::Pressed ? 1 : look == Look::Hover ? 0 : p->borderStyle());
    for (Label* l : window->findChildren<Label*>())
        if (look == Look::Hover)
            l->setFontBold(true);
    for (SSCommand* b : window->findChildren<SSCommand*>())
        b->setDown(look == Look::Pressed);
}

// The window rendered with the text of every caption made invisible.
QImage withoutText(QWidget* window, const std::vector<QWidget*>& texts)
{
    std::vector<std::pair<QPointer<QWidget>, QPalette>> kept;
    for (QWidget* w : texts) {
        kept.emplace_back(w, w->palette());
        QPalette p = w->palette();
        p.setColor(look::textRole(w), Qt::transparent);
        w->setPalette(p);
    }
    const QImage img = window->grab().toImage();
    for (auto& [w, p] : kept)
        if (w)
            w->setPalette(p);
    return img;
}

QString skinFileTag(QString skin) { return skin.remove('(').remove(')').remove(' '); }

QString shotDir()
{
    QDir().mkpath(QStringLiteral(QUILLORY_SCREENSHOT_DIR));
    return QStringLiteral(QUILLORY_SCREENSHOT_DIR) + '/';
}

} // namespace

class LookFixture : public ShellFixture {
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        copyShipped(QStringLiteral("Skins"));
        injectAudioDisc();
    }
    static QStringList shippedSkins()
    {
        const QDir shipped(QStringLiteral(QUILLORY_PROGRAM_DIR) + QStringLiteral("/Skins"));
        return shipped.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    // Loads the main window in the skin (as start-up does), then every other window.
    std::vector<std::pair<QString, Form*>> openAll(const QString& skin)
    {
        writeAll(programFile(QStringLiteral("Skins/skinmain.ini")), (skin + QStringLiteral("\r\n 0 \r\n")).toUtf8());
        std::vector<std::pair<QString, Form*>> windows = {{QStringLiteral("main"), &loadMain()}};
        windows.emplace_back(QStringLiteral("player"), &Forms::get<frmPlay>());
        windows.emplace_back(QStringLiteral("songs"), &Forms::get<frmSongs>());
        windows.emplace_back(QStringLiteral("cd"), &Forms::get<frmCD>());
        windows.emplace_back(QStringLiteral("wavtomp3"), &Forms::get<frmWAVToMP3>());
        windows.emplace_back(QStringLiteral("mp3towav"), &Forms::get<frmMP3ToWAV>());
        windows.emplace_back(QStringLiteral("burner"), &Forms::get<frmBurner>());
        windows.emplace_back(QStringLiteral("convertchoice"), &Forms::get<frmConvertChoice>());
        windows.emplace_back(QStringLiteral("options"), &Forms::get<frmOptions>());
        windows.emplace_back(QStringLiteral("skins"), &Forms::get<frmSkinDir>());
        windows.emplace_back(QStringLiteral("about"), &Forms::get<frmAbout>());
        return windows;
    }
    void closeAll()
    {
        Forms::reset();
        settle();
    }
};

// Text at least 4.5:1 and glyphs at least 3:1 against what they stand on, in every skin and look.
TEST_F(LookFixture, EveryCaptionAndGlyphStandsOutInEverySkin)
{
    QStringList failures;
    int measured = 0;
    for (const QString& skin : shippedSkins()) {
        for (auto& [name, window] : openAll(skin)) {
            window->show();
            for (Look look : {Look::Normal, Look::Hover, Look::Pressed}) {
                setLook(window, look);
                const QImage with = window->grab().toImage();
                if (look == Look::Normal)
                    with.save(shotDir() + QStringLiteral("look-%1-%2.png").arg(name, skinFileTag(skin)));
                const auto texts = look::textControls(window);
                const QImage without = withoutText(window, texts);
                auto report = [&](QWidget* w, double ratio, double need) {
                    ++measured;
                    if (ratio < need)
                        failures << QStringLiteral("%1 / %2 / %3: %4 \"%5\" %6:1 (needs %7:1)")
                                        .arg(skin, name, QString::fromLatin1(lookName(look)), w->objectName(),
                                             w->property("text").toString())
                                        .arg(ratio, 0, 'f', 2)
                                        .arg(need);
                };
                for (QWidget* w : texts) {
                    const QRect area = QRect(w->mapTo(window, QPoint(0, 0)), w->size()).intersected(with.rect());
                    const double r = look::textContrast(with, without, area,
                                                        w->palette().color(QPalette::Active, look::textRole(w)));
                    if (r > 0)
                        report(w, r, kTextContrast);
                }
                for (PictureBox* p : look::pictureButtons(window)) {
                    const QRect inner = p->contentsRect().translated(p->mapTo(window, QPoint(0, 0)));
                    report(p, look::glyphContrast(with, inner.intersected(with.rect())), kGlyphContrast);
                }
            }
        }
        closeAll();
    }
    EXPECT_GT(measured, 0);
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}

// A ticked check box or option button shows its tick or dot at least 3:1 against the box, in
// every skin and window.
TEST_F(LookFixture, TickedBoxesShowTheirMarkInEverySkin)
{
    QStringList failures;
    int measured = 0;
    for (const QString& skin : shippedSkins()) {
        for (auto& [name, window] : openAll(skin)) {
            window->show();
            for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
                if (!(qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) || !b->isVisibleTo(window) ||
                    !b->isEnabled())
                    continue;
                // Ticked and not, without running the window's handlers, then as it was.
                const QSignalBlocker quiet(b);
                const bool wasChecked = b->isChecked(), wasExclusive = b->autoExclusive();
                b->setAutoExclusive(false);
                const QRect area(b->mapTo(window, QPoint(0, 0)), b->size());
                b->setChecked(true);
                const QImage ticked = window->grab(area).toImage();
                b->setChecked(false);
                const QImage clear = window->grab(area).toImage();
                b->setChecked(wasChecked);
                b->setAutoExclusive(wasExclusive);
                const double ratio = look::markContrast(ticked, clear);
                ++measured;
                if (ratio < kGlyphContrast)
                    failures << QStringLiteral("%1 / %2: %3 \"%4\" %5:1")
                                    .arg(skin, name, b->objectName(), b->text())
                                    .arg(ratio, 0, 'f', 2);
            }
        }
        closeAll();
    }
    EXPECT_GT(measured, 0);
    EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
}

// Once the player's right-hand pane closes, every picture button and command button that
// begins inside the narrowed player shows whole.
TEST_F(LookFixture, ThePlayerShowsWholeAfterItsPaneCloses)
{
    openAll(QStringLiteral("Midnight"));
    frmPlay& player = Forms::get<frmPlay>();
    player.show();
    const int opened = player.width();
    player.sscmdMP3_Click();
    ASSERT_GT(player.width(), opened);
    player.sscmdDone_Click();
    QCoreApplication::processEvents();
    EXPECT_LE(player.width(), opened);
    std::vector<QWidget*> buttons;
    for (PictureBox* p : look::pictureButtons(&player))
        buttons.push_back(p);
    for (SSCommand* b : player.findChildren<SSCommand*>())
        if (b->isVisibleTo(&player))
            buttons.push_back(b);
    int checked = 0;
    for (QWidget* w : buttons) {
        const QRect at(w->mapTo(&player, QPoint(0, 0)), w->size());
        // The closed pane's own buttons lie beyond the right edge, out of sight as a whole.
        if (at.left() >= player.width())
            continue;
        ++checked;
        EXPECT_TRUE(player.rect().contains(at)) << w->objectName().toStdString() << " at " << at.x() << ".."
                                                << at.right() << " in a player " << player.width() << " px wide";
    }
    EXPECT_GT(checked, 0);
}

// A disabled control is dimmed in every skin, and pointing at a disabled picture button does
// not highlight it.
TEST_F(LookFixture, DisabledControlsLookDisabled)
{
    for (const QString& skin : shippedSkins()) {
        SCOPED_TRACE(skin.toStdString());
        openAll(skin);
        frmBurner& burner = Forms::get<frmBurner>();
        burner.show();
        // No writer: the Burn button is disabled; the Search button stands for an enabled twin.
        ASSERT_FALSE(burner.sscmdBurn->isEnabled());
        ASSERT_TRUE(burner.SSSearch->isEnabled());
        // A label and a navigation picture, disabled as a long run disables a window.
        frmPlay& player = Forms::get<frmPlay>();
        player.show();

        auto textRatio = [](QWidget* window, QWidget* w) {
            const QImage with = window->grab().toImage();
            const QImage without = withoutText(window, {w});
            QPalette::ColorGroup g = w->isEnabled() ? QPalette::Active : QPalette::Disabled;
            QColor c = w->palette().color(g, look::textRole(w));
            // A see-through text colour is measured as the colour it makes on the ground.
            const QRect area = QRect(w->mapTo(window, QPoint(0, 0)), w->size());
            const QImage ground = without.copy(area);
            const QColor mid = ground.pixelColor(ground.width() / 2, ground.height() / 2);
            const double a = c.alphaF();
            c = QColor::fromRgbF(c.redF() * a + mid.redF() * (1 - a), c.greenF() * a + mid.greenF() * (1 - a),
                                 c.blueF() * a + mid.blueF() * (1 - a));
            return look::textContrast(with, without, area, c);
        };
        const double burnText = textRatio(&burner, burner.sscmdBurn);
        const double searchText = textRatio(&burner, burner.SSSearch);
        EXPECT_GT(burnText, 0);
        EXPECT_LT(burnText, searchText * 0.7) << "Burn " << burnText << " Search " << searchText;

        const double labelBefore = textRatio(&player, player.Label19);
        player.Label19->setEnabled(false);
        const double labelAfter = textRatio(&player, player.Label19);
        EXPECT_GT(labelAfter, 0);
        EXPECT_LT(labelAfter, labelBefore * 0.7) << labelBefore << " -> " << labelAfter;

        PictureBox* nav = player.picPlayLists;
        const QRect inner = nav->contentsRect().translated(nav->mapTo(&player, QPoint(0, 0)));
        const QImage enabledShot = player.grab().toImage();
        SetRunControlsEnabled(&player, false);
        const QImage disabledShot = player.grab().toImage();
        EXPECT_LT(look::glyphContrast(disabledShot, inner), look::glyphContrast(enabledShot, inner) * 0.8);

        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), nav->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(nav, &move);
        EXPECT_EQ(nav->borderStyle(), 1);
        closeAll();
    }
}

// In every list window each column caption stands over its column and its text starts where
// the column's text does.
TEST_F(LookFixture, ColumnCaptionsLineUpWithTheirColumns)
{
    int captions = 0;
    for (auto& [name, window] : openAll(QStringLiteral("Midnight"))) {
        window->show();
        QCoreApplication::processEvents();
        for (QLabel* c : window->findChildren<QLabel*>()) {
            auto* list = qobject_cast<ListView*>(c->property("captionOf").value<QObject*>());
            if (!list || !c->isVisibleTo(window) || !list->isVisibleTo(window))
                continue;
            ++captions;
            const int column = c->property("captionColumn").toInt();
            SCOPED_TRACE((name + QStringLiteral(" ") + c->objectName()).toStdString());
            // The captions are the list's headings: its own header would show them twice.
            EXPECT_FALSE(list->header()->isVisibleTo(window));
            const int columnLeft =
                list->viewport()->mapTo(window, QPoint(list->header()->sectionViewportPosition(column), 0)).x();
            EXPECT_NEAR(c->mapTo(window, QPoint(0, 0)).x(), columnLeft, 1);
            EXPECT_NEAR(c->mapTo(window, c->contentsRect().topLeft()).x() + c->indent(),
                        columnLeft + ListTextMargin(list), 1);
            // Not wider than its column, so it never stands over the next one.
            if (column + 1 < list->columnCount() && !list->isColumnHidden(column + 1)) {
                EXPECT_LE(c->width(), list->columnWidth(column) + 1);
            }
        }
    }
    EXPECT_GT(captions, 0);
}

// Number columns show their longest numbers whole, with the scroll bar showing: four-digit
// play-list numbers and burn sizes up to "999.9 MB".
TEST_F(LookFixture, NumberColumnsHoldTheirLongestNumbers)
{
    openAll(QStringLiteral("Midnight"));
    frmPlay& player = Forms::get<frmPlay>();
    frmBurner& burner = Forms::get<frmBurner>();
    for (int k = 1; k <= 2000; ++k)
        player.ListView1->addTopLevelItem(new ListItem(
            {QStringLiteral("A Song With A Rather Long Title %1").arg(k), QStringLiteral("Artist"),
             QStringLiteral("12:34"), QString::number(k)}));
    for (int k = 0; k < 60; ++k) {
        burner.ListView1->addTopLevelItem(new ListItem({QStringLiteral("Song %1").arg(k),
                                                                QStringLiteral("Artist"), QStringLiteral("12:34"),
                                                                QStringLiteral("CD"), QStringLiteral("999.9 MB")}));
        burner.ListView2->addTopLevelItem(new ListItem({QStringLiteral("Song %1").arg(k), QStringLiteral("999.9 MB")}));
    }
    player.show();
    burner.show();
    QCoreApplication::processEvents();
    const struct {
        const char* what;
        ListView* list;
        int column;
        QString longest;
    } cases[] = {
        {"play list number", player.ListView1, 3, QStringLiteral("2000")},
        {"play list length", player.ListView1, 2, QStringLiteral("12:34")},
        {"burner file size", burner.ListView1, 4, QStringLiteral("999.9 MB")},
        {"burn list size", burner.ListView2, 1, QStringLiteral("999.9 MB")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.list->verticalScrollBar()->isVisible());
        // The cell as it shows inside the list, and the room its text needs.
        const ListItem* last = c.list->topLevelItem(c.list->topLevelItemCount() - 1);
        c.list->scrollToItem(last);
        const QRect cell = c.list->visualItemRect(last);
        const int left = c.list->header()->sectionViewportPosition(c.column);
        const int right = std::min(left + c.list->header()->sectionSize(c.column), c.list->viewport()->width());
        const int needed = c.list->fontMetrics().horizontalAdvance(c.longest) + 2 * ListTextMargin(c.list);
        EXPECT_TRUE(cell.isValid());
        EXPECT_GE(right - left, needed) << "shows " << right - left << " px of " << needed;
    }
}
