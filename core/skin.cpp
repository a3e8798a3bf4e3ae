#include "core/skin.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <vector>

#include "platform/errors.h"
#include "core/fieldreader.h"
#include "core/globals.h"
#include "platform/appcontext.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/forms.h"

namespace {

// putskin ignores every failure: a failing statement does nothing and the next one runs.
template <class F> void quietly(F&& statement)
{
    try {
        statement();
    } catch (...) {
    }
}

// A colour number of a skin file (red + 256 * green + 65536 * blue), or nothing.
std::optional<qlonglong> colourNumber(const QString& value)
{
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (!ok || n < 0 || n > 0xFFFFFF)
        return std::nullopt;
    return n;
}

// The colour a skin colour variable stands for. A variable that no skin file has filled
// yet holds no colour: the statement that wanted it is skipped, so the control keeps the
// colours of its design instead of turning black on black.
QColor skinColour(const QVariant& v)
{
    if (!v.isValid())
        throw AppError(Err::TypeMismatch, QStringLiteral("Type mismatch"));
    return colorFromNumber(static_cast<long>(v.toLongLong()));
}

// A picture of the current skin.
QPixmap loadSkinBitmap(const QString& file) { return LoadSkinPicture(SkinName, file); }

// Puts a picture into a control that can hold one.
void setControlPicture(QWidget* w, const QPixmap& p)
{
    if (auto* pb = qobject_cast<PictureBox*>(w))
        pb->setPicture(p);
    else if (auto* b = qobject_cast<SSCommand*>(w))
        b->setPicture(p);
    else if (auto* lv = qobject_cast<ListView*>(w))
        lv->setBackgroundPicture(p);
    else
        throw AppError(438, QStringLiteral("Object doesn't support this property or method"));
}

void setFontName(QWidget* w, const QString& family)
{
    QFont f = w->font();
    f.setFamily(family);
    w->setFont(f);
}

// Every control of a window in the order the window created them (controls inside
// frames and panels included), taken once.
std::vector<QPointer<QWidget>> controlsOf(QWidget* frm)
{
    std::vector<QPointer<QWidget>> list;
    const auto children = frm->findChildren<QWidget*>();
    list.reserve(children.size());
    for (QWidget* w : children)
        if (!w->isWindow())
            list.emplace_back(w);
    return list;
}

} // namespace

QString SkinsFolder()
{
    const QString found = findIgnoringCase(Ctx().programFolder(), QStringLiteral("Skins"));
    return found.isEmpty() ? Ctx().programFile(QStringLiteral("Skins")) : found;
}

bool IsNoSkin(const QString& name) { return name.compare(QStringLiteral("(No Skin)"), Qt::CaseInsensitive) == 0; }

QString SkinFolder(const QString& name)
{
    const QString base = SkinsFolder();
    const QString folder = findIgnoringCase(base, name);
    return (folder.isEmpty() ? base + '/' + name : folder) + '/';
}

QString SkinFile(const QString& name, const QString& file)
{
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..") || name.contains('/'))
        return {};
    return findIgnoringCase(SkinFolder(name), file);
}

QPixmap LoadSkinPicture(const QString& name, const QString& file)
{
    const QString path = SkinFile(name, file);
    if (path.isEmpty())
        throw AppError(Err::FileNotFound, QStringLiteral("File not found"));
    QPixmap p(path);
    if (p.isNull())
        throw AppError(481, QStringLiteral("Invalid picture"));
    return p;
}

bool ReadSkinColors(const QString& skinName, QVariant* fore, QVariant* back)
{
    QFile f(SkinFile(skinName, QStringLiteral("skin.ini")));
    if (f.fileName().isEmpty() || !f.open(QIODevice::ReadOnly))
        return false;
    // Two values, read as the settings files are.
    FieldReader values = FieldReader::fromText(QString::fromUtf8(f.read(4096)));
    for (QVariant* colour : {fore, back}) {
        if (values.atEnd())
            break;
        if (const auto n = colourNumber(values.next()))
            *colour = *n;
    }
    return true;
}

void setFormPicture(QWidget* frm, const QPixmap& picture)
{
    if (!frm->property("_designWindowBrush").isValid())
        frm->setProperty("_designWindowBrush", QVariant::fromValue(frm->palette().brush(QPalette::Window)));
    QPalette pal = frm->palette();
    if (picture.isNull())
        pal.setBrush(QPalette::Window, frm->property("_designWindowBrush").value<QBrush>());
    else
        pal.setBrush(QPalette::Window, QBrush(picture));
    frm->setPalette(pal);
    frm->setAutoFillBackground(true);
    frm->setProperty("_formPicture", QVariant::fromValue(picture));
}

QPixmap formPicture(const QWidget* frm) { return frm->property("_formPicture").value<QPixmap>(); }

void putskin(QWidget* frm)
{
    Refreshing = 1;
    if (!frm)
        return;

    quietly([] { ReadSkinColors(SkinName, &SkinForeColor, &SkinBackColor); });

    // The navigation buttons, by control name; a window without one of them skips it.
    static const struct {
        const char* file;
        const char* control;
    } named[] = {{"player.bmp", "picPlayer"},   {"playlist.bmp", "picPlayLists"}, {"exit.bmp", "picExit"},
                 {"quillory.bmp", "picQuillory"}, {"cddb.bmp", "picCDDB"},      {"encoder.bmp", "picEncoder"},
                 {"CD.bmp", "picCD"},           {"convert.bmp", "picConvert"},    {"Burner.bmp", "picBurner"}};
    for (const auto& n : named)
        quietly([&] {
            QWidget* w = frm->findChild<QWidget*>(QString::fromLatin1(n.control));
            if (!w)
                throw AppError(Err::InvalidCall, QStringLiteral("Control not found"));
            setControlPicture(w, loadSkinBitmap(QString::fromLatin1(n.file)));
        });

    const bool noSkin = IsNoSkin(SkinName);
    quietly([&] { setFormPicture(frm, noSkin ? QPixmap() : loadSkinBitmap(QStringLiteral("background.bmp"))); });

    for (const QPointer<QWidget>& control : controlsOf(frm)) {
        QWidget* w = control.data();
        if (!w)
            continue;
        // The tests are independent: a control gets every treatment it matches.
        if (qobject_cast<Label*>(w))
            quietly([&] { setForeColor(w, skinColour(SkinForeColor)); });

        if (auto* pb = qobject_cast<PictureBox*>(w)) {
            bool tall = false;
            quietly([&] { tall = heightTwips(pb) > 640 || Tag(pb).compare(QStringLiteral("skin"), Qt::CaseInsensitive) == 0; });
            if (tall)
                quietly([&] { pb->setPicture(noSkin ? QPixmap() : loadSkinBitmap(QStringLiteral("smallback.bmp"))); });
        }

        if (auto* lv = qobject_cast<ListView*>(w)) {
            quietly([&] {
                lv->setBackgroundPicture(noSkin || SkinFlag == 1 ? QPixmap()
                                                                 : loadSkinBitmap(QStringLiteral("background.bmp")));
            });
            quietly([&] { setForeColor(lv, skinColour(SkinForeColor)); });
            quietly([&] { setBackColor(lv, skinColour(SkinBackColor)); });
        }

        auto* button = qobject_cast<SSCommand*>(w);
        // The width as the tests read it; a resize below keeps the exact scaled value.
        double buttonWidth = button ? widthTwips(button) : 0;
        if (button && buttonWidth > 800) {
            if (PixelScale != 1.0) {
                quietly([&] { setFontName(button, QStringLiteral("Arial Narrow")); });
                quietly([&] {
                    const double h = 375 / PixelScale, wd = 1170 / PixelScale;
                    placeTwips(button, leftTwips(button), topTwips(button), qRound(wd), qRound(h));
                    buttonWidth = wd;
                });
            }
            quietly([&] { button->setPicture(loadSkinBitmap(QStringLiteral("ssbutton.bmp"))); });
            quietly([&] { setForeColor(button, skinColour(SkinForeColor)); });
        }

        if (qobject_cast<TextBox*>(w) || qobject_cast<ComboBox*>(w)) {
            quietly([&] { setForeColor(w, skinColour(SkinForeColor)); });
            quietly([&] { setBackColor(w, skinColour(SkinBackColor)); });
        }

        if (button && buttonWidth < 700) {
            if (PixelScale != 1.0) {
                quietly([&] { placeTwips(button, 45, topTwips(button), widthTwips(button), heightTwips(button)); });
                quietly([&] { setFontName(button, QStringLiteral("Arial Narrow")); });
                quietly([&] {
                    placeTwips(button, leftTwips(button), topTwips(button), qRound(660 / PixelScale),
                               qRound(360 / PixelScale));
                });
            }
            quietly([&] { button->setPicture(loadSkinBitmap(QStringLiteral("ssmallbutton.bmp"))); });
            quietly([&] { setForeColor(button, skinColour(SkinForeColor)); });
        }

        Refreshing = 0;
    }
}

void formskins()
{
    Trap trap(QStringLiteral("modMP3"), QStringLiteral("formskins"));
    std::vector<QPointer<Form>> windows;
    trap([&] {
        for (Form* f : Forms::loaded())
            windows.emplace_back(f);
    });
    for (const QPointer<Form>& f : windows)
        trap([&] {
            if (f && Tag(f).compare(QStringLiteral("Skin"), Qt::CaseInsensitive) == 0)
                putskin(f);
        });
}

void ScaleLabelFonts(QWidget* frm)
{
    if (PixelScale == 1.0 || !frm)
        return;
    for (Label* label : frm->findChildren<Label*>()) {
        QFont f = label->font();
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() / PixelScale);
        else
            f.setPixelSize(qMax(1, qRound(f.pixelSize() / PixelScale)));
        label->setFont(f);
    }
}
