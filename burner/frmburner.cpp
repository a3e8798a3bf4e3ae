#include "burner/frmburner.h"

#include <QFile>
#include <QGridLayout>
#include <QHeaderView>
#include <QRegularExpression>

#include "core/errors.h"
#include "core/skin.h"
#include "platform/appcontext.h"
#include "shell/windowchrome.h"

namespace {
const QString kModule = QStringLiteral("frmBurner");
QString iniPath() { return Ctx().programFile(QStringLiteral("Burner.ini")); }
} // namespace

frmBurner::frmBurner()
    : FeatureForm({QStringLiteral("frmBurner"), QStringLiteral("Burn MP3 Or WAV Files To An Audio CD"),
                   Feature::Burner, QStringLiteral("Close CD Burner"), 1, 660, 450})
{
    m_switchOnConvert = true;
    auto* lay = new QGridLayout(body);
    lay->setContentsMargins(0, 4, 0, 0);
    ListView1 = new ListView(body);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Artist"), QStringLiteral("Length"),
                                QStringLiteral("Size (MB)"), QStringLiteral("CD Title")});
    ListView1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Check1 = new CheckBox(QStringLiteral("Test Mode (No Writing)"), body);
    Check1->setObjectName(QStringLiteral("Check1"));
    Combo1 = new ComboBox(body);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->addItems({QStringLiteral("1X"), QStringLiteral("2X"), QStringLiteral("4X"), QStringLiteral("6X"),
                      QStringLiteral("8X"), QStringLiteral("10X")});
    sscmdBurn = new SSCommand(QStringLiteral("Burn CD"), body);
    sscmdBurn->setObjectName(QStringLiteral("sscmdBurn"));
    auto* speed = new Label(QStringLiteral("Speed:"), body);
    lay->addWidget(ListView1, 0, 0, 1, 5);
    lay->addWidget(Check1, 1, 0);
    lay->addWidget(speed, 1, 1, Qt::AlignRight);
    lay->addWidget(Combo1, 1, 2);
    lay->addWidget(sscmdBurn, 1, 4);
    lay->setColumnStretch(3, 1);
}

void frmBurner::Form_Load()
{
    Trap trap(kModule, QStringLiteral("Form_Load"));
    int testMode = 1;
    int speed = 1;
    if (QFile::exists(iniPath())) {
        trap([&] {
            QFile f(iniPath());
            if (!f.open(QIODevice::ReadOnly))
                throw AppError(Err::FileNotFound, QStringLiteral("File not found"));
            const QStringList values = QString::fromUtf8(f.readAll())
                                           .split(QRegularExpression(QStringLiteral("[,\r\n]+")), Qt::SkipEmptyParts);
            testMode = values.value(0).trimmed().toInt();
            speed = values.value(1).trimmed().toInt();
        });
    }
    trap([&] { Check1->setChecked(testMode != 0); });
    trap([&] { Combo1->setCurrentIndex(speed); });
    trap([this] { putskin(this); });
    trap([this] { centreOnScreen(); });
}

void frmBurner::Form_Unload(int& cancel)
{
    Trap trap(kModule, QStringLiteral("Form_Unload"));
    trap([] { ClosingRule(); });
    // The settings are kept only where an installation provides the file.
    if (QFile::exists(iniPath())) {
        trap([this] {
            QFile f(iniPath());
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
            const QString text = QString::number(Check1->isChecked() ? 1 : 0) + QStringLiteral("\r\n") +
                                 QString::number(Combo1->currentIndex()) + QStringLiteral("\r\n");
            f.write(text.toUtf8());
        });
    }
}
